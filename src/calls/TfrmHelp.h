#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <memory>

class ProgramLauncher;
class QPushButton;
class QTextBrowser;

// The help pages inside the program, so that "ヘルプ" works on a PC without a browser: the
// installed pages with their links and pictures, and "ブラウザで開く" for the current page.
// Links that leave the help (web addresses, mail) go to the desktop's browser. Not modal: it
// stays open beside the main window, one per parent.
class TfrmHelp : public QDialog
{
    Q_OBJECT
public:
    // launcher opens pages in the browser; the desktop's when null.
    TfrmHelp(const QString& indexPage, ProgramLauncher* launcher, QWidget* parent = nullptr);
    ~TfrmHelp() override;

    // Shows the parent's help window (made when it has none) on the start page, raised.
    static TfrmHelp* Open(QWidget* parent, const QString& indexPage, ProgramLauncher* launcher);

    // The page shown, as an absolute address.
    QUrl CurrentPage() const;
    void btnBrowserClick();

    QTextBrowser* txtHelp = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnHome = nullptr;
    QPushButton* btnBrowser = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void LinkClicked(const QUrl& link);

    QUrl FIndex;
    std::unique_ptr<ProgramLauncher> FDesktop;
    ProgramLauncher* FLauncher;
};
