// Placeholder bodies so the tree links while the button is being written.
#include "Command.h"

Command::Command(QWidget *parent) : QWidget(parent) {}
Command::~Command() = default;
void Command::Initialize() {}
quint8 Command::Visible() { return 255; }
void Command::SetVisible(quint8) {}
quint32 Command::FontColour() { return 0; }
void Command::SetFontColour(quint32) {}
bool Command::Enabled() { return true; }
void Command::SetEnabled(bool) {}
QString Command::Caption() const { return {}; }
void Command::SetCaption(const QString &) {}
QFont Command::Font() const { return {}; }
void Command::SetFont(const QFont &) {}
Command::ButtonState Command::State() const { return StateNone; }
void Command::ReadProperties(const PropertyBag &) {}
void Command::WriteProperties(PropertyBag &) {}
