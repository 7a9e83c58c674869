#include "calls/ui/InputPrint.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextEdit>

QByteArray InputPrint(const QWidget* page)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    auto add = [&hash](const QString& text) {
        hash.addData(text.toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    };
    // An editor placed over a cell writes into the cell; the cell is what counts.
    auto overCell = [page](const QWidget* w) {
        for (const QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget())
            if (qobject_cast<const QAbstractItemView*>(p))
                return true;
        return false;
    };
    // Children are listed in creation order, so the same widgets give the same sequence.
    for (const QWidget* w : page->findChildren<QWidget*>()) {
        if (overCell(w))
            continue;
        if (auto* e = qobject_cast<const QLineEdit*>(w)) {
            // A drop-down's own line edit is covered by the drop-down.
            if (!e->isReadOnly() && !qobject_cast<const QComboBox*>(e->parentWidget()) &&
                !qobject_cast<const QAbstractSpinBox*>(e->parentWidget()))
                add(e->text());
        } else if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) {
            if (!p->isReadOnly())
                add(p->toPlainText());
        } else if (auto* t = qobject_cast<const QTextEdit*>(w)) {
            if (!t->isReadOnly())
                add(t->toPlainText());
        } else if (auto* c = qobject_cast<const QComboBox*>(w)) {
            add(QString::number(c->currentIndex()) + c->currentText());
        } else if (auto* s = qobject_cast<const QAbstractSpinBox*>(w)) {
            add(s->text());
        } else if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
            if (b->isCheckable())
                add(b->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        } else if (auto* g = qobject_cast<const QTableWidget*>(w)) {
            if (!g->property("userInput").toBool())
                continue;
            for (int r = 0; r < g->rowCount(); ++r)
                for (int col = 0; col < g->columnCount(); ++col) {
                    const QTableWidgetItem* item = g->item(r, col);
                    add(item ? item->text() : QString());
                }
        }
    }
    return hash.result();
}

