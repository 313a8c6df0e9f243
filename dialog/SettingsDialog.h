// The settings dialog "Helixcavernの設定": texture source, picture file with preview, rotation
// speed, link, and the save and cancel buttons.
#pragma once

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class Command;
class EventLabel;
class PathBox;
class PictureBox;
class QLabel;
class QScrollBar;

class Helixcavern_P : public QWidget
{
    Q_OBJECT
public:
    // Builds the dialog from its design, runs the load sequence and shows it modally; returns the
    // exit status once the window has been closed by its close control. Save and cancel end the
    // program themselves.
    static int run();

    // The dialog as designed: every control at its place, no settings applied yet.
    Helixcavern_P();
    ~Helixcavern_P() override;

    static QString caption(); // "Helixcavernの設定", also the mark by which a running dialog is found
    // The dialog's font: "ＭＳ Ｐゴシック" 9.75 pt, substituted by IPAPGothic or another Japanese font.
    static QFont dialogFont();

    // The load sequence: size and place, prepare buttons, tile panels, show the settings values,
    // remember the pointer and play the opening animation.
    void Form_Load();
    // Draws the background gradient into the window's persistent surface.
    void Form_Resize();
    // Plays the closing animation towards where the pointer was at load.
    void Form_Unload();

    // Initializes every Command button of `form` (doInitialize) or sets their Enabled to `enable`.
    static void PrepareCommandButtons(QWidget *form, bool doInitialize, bool enable);
    // Covers the panel's surface with copies of the tile, starting at its top-left corner.
    void TilePanel(PictureBox *target);
    // Shows the picture named in Pname scaled into Display, or the empty 80 x 80 box.
    void DrawPreview();

    // Grow from / shrink to the pointer's position at load (AnimOriginX, AnimOriginY).
    static void AnimateWindowOpen(QWidget *window);
    static void AnimateWindowClose(QWidget *window);
    static qint16 AnimOriginX;
    static qint16 AnimOriginY;

    // Handlers of the controls.
    void Cmd_Pic_Click();                          // browse for the picture
    void Img_Sel_MouseDown(int index);             // choose the source by its mark
    void lbl_Sel_MouseDown(int index);             // choose the source by its label
    void HS_Fast_Change();                         // show the speed
    void lbl_URL_Click();                          // open the web page
    void Cmd_Set_Click();                          // save and end
    void Cmd_Can_Click();                          // end without saving

    // What ends the program and where the settings file is; tests replace them.
    std::function<void(int)> endProgram;
    std::function<QString()> settingsPath;
    // The background surface the gradient is drawn into.
    const QImage &backgroundSurface() const { return background_; }

    // The controls, by their names.
    PictureBox *Pic_B;
    std::array<QLabel *, 3> Img_TT{};      // members 0 and 2
    std::array<QLabel *, 10> lbl{};        // members 0, 3, 4, 5 and 9
    std::array<EventLabel *, 2> Img_Sel{}; // index = the TextureSource it stands for
    std::array<EventLabel *, 2> lbl_Sel{};
    Command *Cmd_Pic;
    PathBox *Pname;
    PictureBox *Display;
    PictureBox *Pic_D;
    QScrollBar *HS_Fast;
    QLabel *lbl_Fast;
    EventLabel *lbl_URL;
    Command *Cmd_Can;
    Command *Cmd_Set;
    PictureBox *Pic_Dummy;
    PictureBox *Pic_Mbl;
    QLabel *Img_Opt_On;
    QLabel *Img_Opt_Off;

signals:
    void unloaded(); // the window has been closed

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void placeControl(QWidget *control, const char *name);
    void connectHandlers();
    void orderTabStops();
    QList<QWidget *> tabStops() const;
    void chooseSource(int index, bool clearPath);
    void showOptionMarks();
    void emptyPreview();
    bool saveSettings();
    void unloadAndEnd();

    QImage background_;
    bool unloaded_ = false;
};
