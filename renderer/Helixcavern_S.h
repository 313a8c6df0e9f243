// The full-screen saver window: loads the texture source, creates the GL context and runs the frame loop.
#pragma once

#include "Helixcavern_B.h"
#include "TunnelRenderer.h"

#include <QImage>
#include <QWindow>

#include <memory>

class QOpenGLContext;

class Helixcavern_S : public QWindow
{
    Q_OBJECT

public:
    static inline const QString &Caption = Helixcavern_B::SaverCaption;

    // Loads the saver window and runs it until input ends the program (which never returns here).
    // Returns an exit status only if the loop stops without ending the program.
    static int run();

    // Ends the saver: gives the pointer back (mode S), stops the loop, releases the GL context,
    // removes the window and ends the program with status 0.
    void EndSaver();

    Helixcavern_S();
    ~Helixcavern_S() override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void CreateGLContext();
    void ReleaseGLContext();
    void SetupGLState();
    void MainLoop();
    void render();

    void loadTextureSource();
    void waitUntilExposed();
    void grabInputOnceMapped();
    void endIfWindowVanished();
    QSize clientPixels() const;

    bool Running = false;
    double Phase = 0.0; // accumulated in double: a float would judder and then stop on long runs
    float Speed = 0.0f; // the per-frame phase step
    QImage PicOrgn;
    QImage PicMaster;
    std::unique_ptr<QOpenGLContext> RenderContext;
    TunnelRenderer tunnel;
    bool keyboardGrabbed = false;
    bool mouseGrabbed = false;
};
