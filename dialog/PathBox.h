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

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
};
