#pragma once

#include <QTabBar>

class QTabWidget;

// The main window's page tabs: the active tab is tinted, and the active customer tab
// carries a mark at its right end, a pencil while its frame is in edit mode and a close
// cross otherwise. Releasing the mouse on the cross asks for the page to be closed.
class CustTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit CustTabBar(QWidget* parent = nullptr);

    // Index of the first customer page (pages before it are never closed this way).
    void setFirstCustomerPage(int index) { FFirstCustomer = index; }
    // A page's caption is a label and a mode letter ("E" editing, "B" browsing): the tab
    // shows the first 15 characters of the label and keeps the letter in its data, so that
    // the letter never shows on an inactive tab.
    static void SetCaption(QTabWidget* pages, int index, const QString& caption);
    // The mode letter of a tab, empty for a page without one.
    static QString Mode(const QTabBar* bar, int index);
    bool closeMarkHit(int index, const QPoint& pos) const;

signals:
    void closeRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QSize tabSizeHint(int index) const override;

private:
    int FFirstCustomer = 2;
    bool FOverClose = false;
};

#include <QTabWidget>

// The main window's page control with the tab bar above.
class CustPageControl : public QTabWidget
{
    Q_OBJECT
public:
    explicit CustPageControl(QWidget* parent = nullptr) : QTabWidget(parent), FBar(new CustTabBar(this))
    {
        setTabBar(FBar);
    }
    CustTabBar* custTabBar() const { return FBar; }

private:
    CustTabBar* FBar;
};
