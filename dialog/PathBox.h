// The picture path box: a text box two lines high that wraps a long path onto its second line and
// takes no line breaks, since the path is stored as one line of the settings file.
#pragma once

#include "files/FileName.h"

#include <QPlainTextEdit>

class PathBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PathBox(QWidget *parent);

    // Shows a picture path: its bytes that are not UTF-8 (see FileName::toDisplayString) and the
    // line and paragraph separators, which the box cannot show on its line, as U+FFFD.
    void setPath(const FileName &path);
    // The path set by setPath, every byte of it, while the box shows it unedited; after an edit,
    // the text as it stands made a name (FileName::fromText; no-break spaces kept, line breaks
    // left out).
    FileName path() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    FileName path_; // as set
    QString shown_; // what setPath put into the box
};
