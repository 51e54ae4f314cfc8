// The sprite animation: on each tick the next picture of the running cycle and a
// step to the right; past the right edge a new start at a random height.
#include "frmZelvoSaver.h"
#include "convert.h"
#include "platform.h"

void frmZelvoSaver::TimerTick(Timer& t) {
    if (&t == &tmrZelvo) tmrZelvo_Timer();
}

void frmZelvoSaver::tmrZelvo_Timer() {
    intFrame = (short)(intFrame + 1);
    switch (intFrame) {
    case 2: Zelvo.SetPicture(Zelvo1.GetPicture()); break;
    case 4: Zelvo.SetPicture(Zelvo2.GetPicture()); break;
    case 6: Zelvo.SetPicture(Zelvo3.GetPicture()); break;
    case 8: Zelvo.SetPicture(Zelvo4.GetPicture()); break;
    case 10: Zelvo.SetPicture(Zelvo5.GetPicture()); break;
    case 12: Zelvo.SetPicture(Zelvo6.GetPicture()); break;
    default: break;
    }
    if (intFrame == 12) intFrame = 2;

    float limit = Zelvo.Width() + Width();     // rounded to single precision
    float left = Zelvo.Left();
    if (left < limit) {
        Zelvo.SetLeft(left + SPRITE_STEP);
        return;
    }
    PlaceSprite();
}

// The sprite's Top is r * H - h rounded down, so it lies between -h and H - h - 1
// for whole H and h; the generator is reseeded from the clock first.
void frmZelvoSaver::PlaceSprite() {
    Randomize();
    float r = Rnd();
    float scaled = r * Height();
    Zelvo.SetTop(FloorSingle(scaled - Zelvo.Height()));
    Zelvo.SetLeft(SPRITE_START_LEFT);
}
