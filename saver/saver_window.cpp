// The saver window's property table.
#include "frmZelvoSaver.h"
#include "platform.h"
#include "zelvosav_ids.h"

frmZelvoSaver::frmZelvoSaver()
    : Zelvo(*this, "Zelvo"), Zelvo1(*this, "Zelvo1"), Zelvo2(*this, "Zelvo2"), Zelvo3(*this, "Zelvo3"),
      Zelvo4(*this, "Zelvo4"), Zelvo5(*this, "Zelvo5"), Zelvo6(*this, "Zelvo6"),
      tmrZelvo(*this, "tmrZelvo"), txtTemp(*this, "txtTemp") {
    Border = FormBorder::None;
    Maximized = true;
    ShowInTaskbar = false;
    BackColor = RGB3(0, 0, 0);
    ForeColor = RGB3(255, 255, 255);
    MouseIconId = IDC_BLANK;
    IconId = IDI_PROGRAM_GROUP;
    ClientWidth = 6510;
    ClientHeight = 5655;

    // The six stores are stretched into 420 x 420 twips in two rows of three; being
    // invisible they only hold pictures.
    Image* stores[6] = {&Zelvo1, &Zelvo2, &Zelvo3, &Zelvo4, &Zelvo5, &Zelvo6};
    const int ids[6] = {IDR_FRAME1, IDR_FRAME2, IDR_FRAME3, IDR_FRAME4, IDR_FRAME5, IDR_FRAME1};
    for (int i = 0; i < 6; ++i) {
        stores[i]->SetStretch(true);
        stores[i]->Move(120.0f + 480.0f * (i % 3), i < 3 ? 120.0f : 600.0f, 420, 420);
        stores[i]->SetPicture(ThePlatform().LoadPicture(ids[i]));
        stores[i]->SetVisible(false);
    }

    Zelvo.Move(120, 1080, 1500, 1500);
    Zelvo.SetPicture(Zelvo1.GetPicture());

    tmrZelvo.SetInterval(10);
    tmrZelvo.SetEnabled(true);

    txtTemp.Move(120, 2640, 1575, 285);
    txtTemp.SetVisible(false);
    txtTemp.BackColor = RGB3(0, 0, 0);
    txtTemp.SetTabIndex(0);
}
