#pragma once

#include "db/NumberUnifier.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "電話番号の表記を統一": lists what NumberUnifier would change in the stored numbers and,
// once the user confirms, makes the changes in one transaction.
class TfrmUnifyNumbers : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUnifyNumbers(QWidget* parent = nullptr);

    // Surveys the database again and shows the list.
    void FormShow();
    void btnExecuteClick();

    QLabel* lblSummary;
    QPlainTextEdit* memChanges;
    QPushButton* btnExecute;
    QPushButton* btnClose;

signals:
    // Numbers were rewritten: the main window reloads its lists.
    void numbersUnified();

protected:
    void showEvent(QShowEvent* event) override;

private:
    NumberUnifier::Plan FPlan;
};
