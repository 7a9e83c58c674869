#pragma once

#include <QList>
#include <QString>

class QWidget;

// Finds what a user would see as a broken screen in a shown window: captions cut off,
// inputs lower than one line of text, and sibling controls lying over each other.
class LayoutCheck
{
public:
    struct Finding
    {
        QString Window;
        QString Widget; // object name, else the class name
        QString Text;
        QString Problem;
    };

    // Checks every visible widget of the shown window; window names it in the findings.
    static QList<Finding> Check(const QWidget* window, const QString& windowName);
    // "window<TAB>widget<TAB>"text"<TAB>problem", one line per finding.
    static QString Format(const Finding& f);

    // The width a control needs to show its caption whole; 0 for a control without one.
    static int NeededWidth(const QWidget* w);
};
