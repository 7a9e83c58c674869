#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// "発着信メモ": edits the memo of one call. Made once at start-up and reused.
class TfrmMemo : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    // Shows the memo of call logNo modally; true and the text (lines with CR LF) after OK.
    bool Edit(int logNo, const QString& memo, QString& result);
    int LogNo() const { return FLogNo; }
    QString Text() const;
    void btnOkClick();

    QPlainTextEdit* memMemo = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    int FLogNo = -1;
};
