// The picture path box; see PathBox.h.
#include "dialog/PathBox.h"
#include "dialog/DialogValues.h"

#include <QKeyEvent>
#include <QMimeData>

PathBox::PathBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere); // paths have no blanks to break at
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
}

void PathBox::setText(const QString &text) { setPlainText(DialogValues::singleLine(text)); }

void PathBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore(); // no line breaks in a path
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void PathBox::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText())
        insertPlainText(DialogValues::singleLine(source->text()));
}
