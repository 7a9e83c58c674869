#include "logs/TableWriter.h"

#include "db/FbQuery.h"

void TableWriter::addRecord(FbQuery& query)
{
    FRecord.clear();
    for (int i = 0; i < query.fieldCount(); ++i)
        FRecord << query.value(i);
    addRow(FRecord);
}
