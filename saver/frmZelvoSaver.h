// frmZelvoSaver: the screen saver's start-up window. In saver mode a black window
// covering the screen on which the sprite Zelvo runs; in every other mode it
// decides what happens and is never shown.
#pragma once
#include "controls.h"
#include "form.h"

class frmZelvoSetup;

class frmZelvoSaver : public Form {
public:
    frmZelvoSaver();   // the property table
    ~frmZelvoSaver() override;

    Image Zelvo;                       // the visible sprite
    Image Zelvo1, Zelvo2, Zelvo3, Zelvo4, Zelvo5, Zelvo6;   // stores of the running cycle
    Timer tmrZelvo;
    TextBox txtTemp;

    short intFrame = 0;                // step counter of the picture cycle
    short intMouseMoves = 0;           // mouse-move events received so far

    void Form_Load() override;
    void Form_KeyDown(short keyCode, short shift) override;
    void Form_MouseMove(short button, short shift, float x, float y) override;
    void TimerTick(Timer& t) override;
    void tmrZelvo_Timer();

private:
    void LoadSettings();
    void PlaceSprite();                // a new start: random Top, Left -750
    frmZelvoSetup* setupDialog = nullptr;   // the program's one setup dialog, made on first use
};

// The sprite's Left at every start, in twips.
const float SPRITE_START_LEFT = -750.0f;
// The step the sprite moves on each tick, in twips.
const float SPRITE_STEP = 60.0f;
