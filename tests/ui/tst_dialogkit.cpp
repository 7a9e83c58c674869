// What every form shares: focus colour, Enter moves on, minimum size, byte limits from the
// database's own column widths, and the LIKE filter that drops Shift-JIS false hits.

#include "core/Cp932.h"
#include "core/LikePattern.h"
#include "db/ColumnWidths.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"
#include "ui/DialogKit.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// Japanese text arrives committed by the input method, not as key presses.
void Commit(QWidget* w, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(w, &event);
}
} // namespace

class TestDialogKit : public QObject
{
    Q_OBJECT
private slots:
    void focusColourEnterAndMinimumSize()
    {
        QDialog form;
        auto* layout = new QVBoxLayout(&form);
        auto* first = new QLineEdit(&form);
        auto* second = new QLineEdit(&form);
        auto* memo = new QPlainTextEdit(&form);
        auto* shown = new QLineEdit(&form);
        shown->setReadOnly(true);
        for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second), static_cast<QWidget*>(memo),
                           static_cast<QWidget*>(shown)})
            layout->addWidget(w);
        form.resize(320, 240);
        DialogKit::Apply(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.minimumSize(), QSize(320, 240));

        first->setFocus();
        QTRY_COMPARE(first->palette().color(QPalette::Base), QColor(255, 200, 200));
        QCOMPARE(shown->palette().color(QPalette::Base), QApplication::palette().color(QPalette::ToolTipBase));

        // Enter moves on and the colour follows the focus.
        QTest::keyClick(first, Qt::Key_Return);
        QTRY_VERIFY(second->hasFocus());
        QCOMPARE(first->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        QCOMPARE(second->palette().color(QPalette::Base), QColor(255, 200, 200));
        QTest::keyClick(second, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(memo->hasFocus());
        // In multi-line text Enter is a new line.
        QTest::keyClicks(memo, QStringLiteral("a"));
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, QStringLiteral("b"));
        QVERIFY(memo->hasFocus());
        QCOMPARE(memo->toPlainText(), QStringLiteral("a\nb"));
        // A large text area is framed, not filled, while it has the focus.
        QCOMPARE(memo->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        QVERIFY(memo->styleSheet().contains(":focus"));
    }

    void fileDialogsOpenWhereAFileWasLastChosen()
    {
        QCOMPARE(FileDialogs::StartFolder(), QDir::homePath());
        {
            QTemporaryDir dir;
            FileDialogs::Remember(dir.filePath("list.pdf"));
            QCOMPARE(FileDialogs::StartFolder(), dir.path());
            QCOMPARE(FileDialogs::StartPath("電話番号集計.pdf"), dir.filePath("電話番号集計.pdf"));
            FileDialogs::Remember(QString());
            QCOMPARE(FileDialogs::StartFolder(), dir.path());
        }
        // A folder that is gone: home again.
        QCOMPARE(FileDialogs::StartFolder(), QDir::homePath());
    }

    void browseLookAndMinimumFromLayout()
    {
        QDialog form;
        auto* layout = new QVBoxLayout(&form);
        auto* name = new QLineEdit(QStringLiteral("山田商店"), &form);
        layout->addWidget(name);
        for (int i = 0; i < 12; ++i)
            layout->addWidget(new QLineEdit(&form));
        form.resize(200, 40); // lower than twelve lines
        DialogKit::Apply(&form);
        QVERIFY(form.minimumHeight() >= form.minimumSizeHint().height());
        QCOMPARE(form.minimumWidth(), 200);
        QCOMPARE(form.size(), form.minimumSize());
        // A disabled input keeps the normal text colour on the read-only background.
        name->setEnabled(false);
        const QPalette app = QApplication::palette();
        QCOMPARE(name->palette().color(QPalette::Disabled, QPalette::Text), app.color(QPalette::Active, QPalette::Text));
        QCOMPARE(name->palette().color(QPalette::Disabled, QPalette::Base),
                 app.color(QPalette::Active, QPalette::ToolTipBase));
    }

    void byteLimitStopsTypingAndPasting()
    {
        QLineEdit edit;
        DialogKit::LimitBytes(&edit, 6);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTest::keyClicks(&edit, QStringLiteral("ab"));
        Commit(&edit, QStringLiteral("表示"));
        QCOMPARE(edit.text(), QStringLiteral("ab表示")); // exactly 6 bytes
        QTest::keyClicks(&edit, QStringLiteral("c"));
        QCOMPARE(edit.text(), QStringLiteral("ab表示"));
        // A paste is cut at the limit, never inside a double-byte character.
        edit.clear();
        edit.insert(QStringLiteral("aソフト"));
        QCOMPARE(edit.text(), QStringLiteral("aソフ"));
        QCOMPARE(Cp932::byteLength(edit.text()), 5);

        QPlainTextEdit memo;
        DialogKit::LimitBytes(&memo, 4);
        memo.insertPlainText(QStringLiteral("表x"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("表x"));
        memo.insertPlainText(QStringLiteral("示"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("表x")); // would be 5 bytes
        memo.insertPlainText(QStringLiteral("y"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("表xy"));
        QCOMPARE(DialogKit::ByteLimit(&memo), 4);
    }

    // A full field refuses what is typed wherever the cursor stands, by key or input method.
    void aFullFieldRefusesTypingAnywhere_data()
    {
        QTest::addColumn<int>("at");
        QTest::newRow("front") << 0;
        QTest::newRow("middle") << 2;
        QTest::newRow("end") << 5;
    }
    void aFullFieldRefusesTypingAnywhere()
    {
        QFETCH(int, at);
        const QString full = QStringLiteral("ab表示x"); // 7 bytes
        QLineEdit edit;
        QPlainTextEdit memo;
        DialogKit::LimitBytes(&edit, 7);
        DialogKit::LimitBytes(&memo, 7);
        edit.setText(full);
        memo.setPlainText(full);
        for (QWidget* w : {static_cast<QWidget*>(&edit), static_cast<QWidget*>(&memo)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QTextCursor cursor = memo.textCursor();
            cursor.setPosition(at);
            memo.setTextCursor(cursor);
            edit.setCursorPosition(at);
            QToolTip::hideText();
            QTest::keyClicks(w, QStringLiteral("c"));
            Commit(w, QStringLiteral("字"));
            QCOMPARE(w == &edit ? edit.text() : memo.toPlainText(), full);
            QCOMPARE(w == &edit ? edit.cursorPosition() : memo.textCursor().position(), at);
            QTRY_COMPARE(QToolTip::text(), DialogKit::LimitNotice(7));
            w->hide();
        }
        // A paste into the middle keeps what fits of its beginning, in its place.
        edit.setText(QStringLiteral("ab"));
        edit.setCursorPosition(1);
        edit.insert(QStringLiteral("表示xyz"));
        QCOMPARE(edit.text(), QStringLiteral("a表示xb"));
        QCOMPARE(edit.cursorPosition(), 4);
    }

    // A paste of a megabyte is cut to the limit in one go, whichever way it arrives.
    void aHugePasteIsCutToTheLimit()
    {
        const QString line = QStringLiteral("あいうえおかきくけこ\n"); // 21 bytes
        const QString huge = line.repeated(50000);
        QGuiApplication::clipboard()->setText(huge);
        QPlainTextEdit memo;
        DialogKit::LimitBytes(&memo, 4000);
        memo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&memo));
        const QString kept = Cp932::truncateToBytes(huge, 3996);
        for (const bool byKey : {true, false}) {
            memo.setPlainText(QStringLiteral("前後"));
            QTextCursor cursor = memo.textCursor();
            cursor.setPosition(1);
            memo.setTextCursor(cursor);
            if (byKey)
                QTest::keySequence(&memo, QKeySequence::Paste);
            else
                memo.paste(); // the context menu's way: the text arrives first
            QCOMPARE(memo.toPlainText(), QStringLiteral("前") + kept + QStringLiteral("後"));
            QCOMPARE(memo.textCursor().position(), 1 + int(kept.size()));
        }
        QLineEdit edit;
        DialogKit::LimitBytes(&edit, 100);
        QGuiApplication::clipboard()->setText(QString(500000, QChar(0x3042)));
        edit.paste();
        QCOMPARE(edit.text(), QString(50, QChar(0x3042)));
    }

    void limitsComeFromTheDatabaseCatalogue()
    {
        TestEnv env;
        TempDb db;
        dmCmn = &db.dm();
        ColumnWidths::Reset();
        QCOMPARE(ColumnWidths::Width(QStringLiteral("TELS"), QStringLiteral("TEL_NO")), 40);
        QCOMPARE(ColumnWidths::Width(QStringLiteral("customer"), QStringLiteral("cust_name")), 100);
        QCOMPARE(ColumnWidths::Width(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")), 4000);
        QCOMPARE(ColumnWidths::Width(QStringLiteral("LOG"), QStringLiteral("NO_SUCH")), -1);
        QCOMPARE(ColumnWidths::Width(QStringLiteral("LOG"), QStringLiteral("LOG_NO")), -1); // not text

        // A database made elsewhere with another width is honoured.
        db.dm().ExecSql(QStringLiteral("ALTER TABLE TELS ALTER COLUMN CALLER TYPE VARCHAR(120)"));
        ColumnWidths::Reset();
        QLineEdit edit;
        DialogKit::LimitToColumn(&edit, QStringLiteral("TELS"), QStringLiteral("CALLER"));
        QCOMPARE(DialogKit::ByteLimit(&edit), 120);
        ColumnWidths::Reset();
        dmCmn = nullptr;
    }

    void likeMatchesOnCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        QTest::newRow("prefix") << "ソフト開発" << "ソフト%" << true;
        QTest::newRow("anywhere") << "株式会社ソフト" << "%ソフト%" << true;
        QTest::newRow("not at start") << "株式会社ソフト" << "ソフト%" << false;
        QTest::newRow("one char") << "abc" << "a_c" << true;
        QTest::newRow("one char is not two") << "abbc" << "a_c" << false;
        QTest::newRow("backtrack") << "aXbXbc" << "%b_c" << false;
        QTest::newRow("backtrack hit") << "aXbXbYc" << "%b_c" << true;
        QTest::newRow("empty pattern") << "" << "%" << true;
        QTest::newRow("case counts") << "Abc" << "a%" << false;
        // The bytes of 表 are 0x95 0x5C: on bytes, "\%" patterns and trail bytes can meet.
        QTest::newRow("trail byte is not a character") << "表示" << "%\\%" << false;
        QTest::newRow("full-width is not ASCII") << "ｓｏｆｔ" << "%soft%" << false;
    }
    void likeMatchesOnCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QCOMPARE(LikePattern::Matches(text, pattern), match);
    }

    void searchPatterns()
    {
        QCOMPARE(LikePattern::ForSearch(QStringLiteral("山田"), false), QStringLiteral("山田%"));
        QCOMPARE(LikePattern::ForSearch(QStringLiteral("山田"), true), QStringLiteral("%山田%"));
    }
};

QTEST_MAIN(TestDialogKit)
#include "tst_dialogkit.moc"
