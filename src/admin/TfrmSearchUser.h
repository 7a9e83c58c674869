#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;
class TdmCmn;

// "ユーザ検索": picks one user valid today, by a part of the name.
class TfrmSearchUser : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSearchUser(TdmCmn& dm, QWidget* parent = nullptr);

    void FormShow();
    void btnSearchClick();
    void btnOkClick();
    // The identifier of the chosen user; empty when none is selected.
    QString SelectedUserId() const;

    QLineEdit* edtName = nullptr;
    QPushButton* btnSearch = nullptr;
    QListWidget* lstName = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TdmCmn& FDm;
    QStringList FIds; // parallel to lstName
};
