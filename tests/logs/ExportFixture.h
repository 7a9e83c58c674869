#pragma once

// A small database for the export tests: calls around one day, phone-book entries, responses
// (one of a customer that no longer exists, one without a customer), customers with option
// fields 2 and 5 (a choice list) active and 3 deleted.

#include "db/TdmCmn.h"

#include <QStringList>

inline void FillExportDatabase(TdmCmn& dm)
{
    const QStringList sql{
        QStringLiteral("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('0312345678', "
                       "'0312345678', '山田 \"太郎\"', 'やまだ')"),
        QStringLiteral("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('0120000000', null, "
                       "'', null)"),
        QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, TEL_MEMO, PORT_NO) values (1, "
                       "'2024/05/06 00:00:00', '0312345678', '着信', '2024/05/06 00:05:00', '一行目\r\n二行目', 1)"),
        QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, TEL_MEMO, PORT_NO) values (2, "
                       "'2024/05/06 23:59:59', ' ', '発信', null, null, null)"),
        QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (3, '2024/05/07 "
                       "00:00:00', '0399999999', '着信', 2)"),
        QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (4, '2024/05/05 "
                       "23:59:59', '0399999998', '着信', 2)"),
        QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (2, '趣味', 's', 2)"),
        QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO, DEL_DT) values (3, '削除済', "
                       "'s', 3, '2024/01/01')"),
        QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (5, '', 'm', 5)"),
        QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (5, '01', '選択肢Ａ', '1')"),
        QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (2, '01', '別の項目', '1')"),
        QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_KANA, BIRTH_DT, SEX, CUST_TEL, CUST_TEL_NON, "
                       "FAX_NO, ZIP_CD, ADDRESS, MAP_URL, EMAIL, HP_URL, USERID, OTHERS, OPTION_02, OPTION_03, "
                       "OPTION_05) values (1, '山田 太郎', 'ヤマダ タロウ', '1980/01/02', 1, '03-1234-5678', "
                       "'0312345678', '03-1234-5679', '100-0001', '東京都千代田区', '', 'a@example.org', null, "
                       "'admin', '備考\r\n二行目', '釣り', '見えない', '01')"),
        QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, SEX, DEL_DT) values (2, '削除された顧客', 2, "
                       "'2024/01/01')"),
        QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, SEX, OPTION_05) values (25000, '番号の大きい顧客', "
                       "null, '99')"),
        QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, SEX, CUST_TEL) values (12000, '中間の顧客', 0, "
                       "'0312')"),
        QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, USERID, TYPE_ID, RESULT_ID, TITLE, CONTENT, LOG_NO, "
                       "CUST_NO) values (1, '2024/05/06 10:00:00', 'admin', '0001', '0002', '件名', '内容\r\n二行目', "
                       "1, 1)"),
        QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, TITLE, LOG_NO, CUST_NO) values (2, '2024/05/06 "
                       "11:00:00', '顧客なし', 999, null)"),
        QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, TITLE, CUST_NO) values (3, '2024/05/06 12:00:00', "
                       "'消えた顧客', 777)"),
        QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, TITLE, CUST_NO) values (4, '2024/05/07 00:00:00', "
                       "'翌日', 1)"),
    };
    for (const QString& s : sql)
        dm.ExecSql(s);
}
