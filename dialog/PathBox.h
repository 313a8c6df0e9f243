// The picture path box: a text box two lines high that wraps a long path onto its second line and
// takes no line breaks, since the path is stored as one line of the settings file.
#pragma once

#include <QPlainTextEdit>

class PathBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PathBox(QWidget *parent);

    QString text() const { return toPlainText(); }
    void setText(const QString &text);

    // Shows a picture path: its bytes that are not UTF-8 (see FilePath::decodeName) and the line
    // and paragraph separators, which the box cannot show on its line, as U+FFFD.
    void setPath(const QString &path);
    // The path set by setPath, every character of it, while the box shows it unedited; after an
    // edit, the text as it stands (no-break spaces kept, line breaks left out).
    QString path() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    QString path_;  // as set
    QString shown_; // what setPath put into the box
};
