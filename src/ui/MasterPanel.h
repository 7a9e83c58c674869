#pragma once

#include "db/MasterKey.h"

#include <QList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TdmCmn;

// An input of a master dialog: named, held to maxBytes Shift-JIS bytes, with the input method
// on only for Japanese text.
QLineEdit* NewMasterInput(QWidget* parent, const char* name, int maxBytes, bool japanese);

// The list-and-inputs part every small master shares (response types and results, option
// choices): the grid "ID", "名称", "表示順", "削除日時", the identifier (4 positions), name
// (20) and display order (4) inputs, "削除データも表示する", "登録(&E)" and "削除(&D)".
class MasterPanel : public QWidget
{
    Q_OBJECT
public:
    struct Texts
    {
        QString IdLabel;
        QString IdMessage;
        QString NameLabel;
        QString NameMessage;
    };
    MasterPanel(const Texts& texts, QWidget* parent = nullptr);

    // Fills the grid (one empty row when rows is empty), empties the inputs and focuses the
    // identifier when visible.
    void ShowRows(const QList<MasterRow>& rows);
    // Copies a row's identifier, name and display order into the inputs.
    void sgdMainClick(int row);
    // The register rule: validation, key state, revive question, statement, then relist via
    // the given function and select the registered row. keyState: -1 absent, 0 active, 1 deleted.
    void Register(TdmCmn& dm, const std::function<int(const QString& id)>& keyState,
                  const std::function<QString(MasterKey::Action, const QString& id, const QString& name,
                                              const QString& listId)>& statement,
                  const std::function<void()>& relist);
    // Validation and the question "削除してよろしいですか？"; then runs the statement and relists.
    void Delete(TdmCmn& dm, const std::function<QString(const QString& id)>& statement,
                const std::function<void()>& relist);

    QTableWidget* sgdMain = nullptr;
    QLineEdit* edtId = nullptr;
    QLineEdit* edtName = nullptr;
    QLineEdit* edtListId = nullptr;
    QCheckBox* cbxDeleteView = nullptr;
    QPushButton* btnInsert = nullptr;
    QPushButton* btnDelete = nullptr;

private:
    bool CheckId();
    Texts FTexts;
};
