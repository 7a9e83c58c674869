// The layout check's rules on small forms with one known fault each; the real windows are
// checked by running zuvaro3-screenshot --check in the suite.
#include "ui/LayoutCheck.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

class TestLayoutCheck : public QObject
{
    Q_OBJECT
private slots:
    void findsEachKindOfFault_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << "none" << "" << "" << 0;
        QTest::newRow("clipped button") << "button" << "btnClose" << "caption needs" << 1;
        QTest::newRow("clipped check box") << "check" << "chkSpeak" << "caption needs" << 1;
        QTest::newRow("clipped label") << "label" << "lblNote" << "caption needs" << 1;
        QTest::newRow("clipped group title") << "group" << "grpTel" << "caption needs" << 1;
        QTest::newRow("squashed input") << "input" << "edtName" << "one line needs" << 1;
        QTest::newRow("overlap") << "overlap" << "imgLogo" << "overlaps btnLoad" << 1;
        QTest::newRow("hidden overlap") << "hidden" << "" << "" << 0;
        QTest::newRow("squashed tab") << "tab" << "tabs" << "its caption needs" << 2;
    }
    void findsEachKindOfFault()
    {
        QFETCH(QString, fault);
        QFETCH(QString, widget);
        QFETCH(QString, problem);
        QFETCH(int, count);
        QWidget form;
        form.resize(600, 400);
        const auto make = [&](QWidget* w, const char* name, const QRect& r) {
            w->setObjectName(QLatin1String(name));
            w->setGeometry(r);
            return w;
        };
        // A form that is right as it is; each case spoils one thing.
        auto* close = make(new QPushButton(QStringLiteral("閉じる(&X)"), &form), "btnClose", QRect(10, 10, 120, 30));
        auto* speak = make(new QCheckBox(QStringLiteral("着信時に音声呼び出しする"), &form), "chkSpeak",
                           QRect(10, 50, 300, 24));
        auto* note = make(new QLabel(QStringLiteral("※増設したハードディスク"), &form), "lblNote", QRect(10, 80, 300, 20));
        auto* group = make(new QGroupBox(QStringLiteral("発着信電話番号"), &form), "grpTel", QRect(10, 110, 300, 60));
        auto* name = make(new QLineEdit(QStringLiteral("山田商店"), &form), "edtName", QRect(10, 180, 200, 30));
        auto* logo = make(new QLabel(&form), "imgLogo", QRect(10, 220, 200, 40));
        auto* load = make(new QPushButton(QStringLiteral("読込..."), &form), "btnLoad", QRect(220, 220, 100, 30));
        auto* tabs = make(new QTabBar(&form), "tabs", QRect(10, 270, 400, 30));
        static_cast<QTabBar*>(tabs)->setUsesScrollButtons(false);
        static_cast<QTabBar*>(tabs)->setElideMode(Qt::ElideRight);
        static_cast<QTabBar*>(tabs)->addTab(QStringLiteral("電話履歴"));
        static_cast<QTabBar*>(tabs)->addTab(QStringLiteral("対応履歴"));
        if (fault == "button")
            close->resize(close->fontMetrics().horizontalAdvance(QStringLiteral("閉じる(X)")) - 8, 30);
        else if (fault == "check")
            speak->resize(120, 24);
        else if (fault == "label")
            note->resize(60, 20);
        else if (fault == "group")
            group->resize(50, 60);
        else if (fault == "input")
            name->resize(200, 8);
        else if (fault == "overlap" || fault == "hidden")
            load->move(150, 220);
        if (fault == "hidden")
            logo->hide();
        if (fault == "tab")
            tabs->resize(100, 30);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        const QList<LayoutCheck::Finding> found = LayoutCheck::Check(&form, QStringLiteral("form"));
        QStringList lines;
        for (const LayoutCheck::Finding& f : found)
            lines << LayoutCheck::Format(f);
        QVERIFY2(found.size() == count, qPrintable(lines.join(QLatin1Char('\n'))));
        for (int i = 0; i < count; ++i) {
            QCOMPARE(found.at(i).Window, QString("form"));
            QCOMPARE(found.at(i).Widget, widget);
            QVERIFY2(found.at(i).Problem.contains(problem), qPrintable(lines.at(i)));
            QCOMPARE(lines.at(i).count('\t'), 3);
        }
    }
};

QTEST_MAIN(TestLayoutCheck)
#include "tst_layoutcheck.moc"
