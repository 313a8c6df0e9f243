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

void PathBox::setPath(const FileName &path)
{
    QString shown = path.toDisplayString();
    for (QChar &c : shown) {
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QChar::ReplacementCharacter;
    }
    setPlainText(shown);
    path_ = path;
    shown_ = shown;
}

FileName PathBox::path() const
{
    // The raw text: the plain text would turn no-break spaces into spaces.
    const QString current = document()->toRawText();
    return current == shown_ ? path_ : FileName::fromText(DialogValues::singleLine(current));
}

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
