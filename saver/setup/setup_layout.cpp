// The setup dialog's property table.
#include "frmZelvoSetup.h"
#include "../zelvosav_ids.h"
#include "modZelvoSav.h"

static const long TAN = RGB3(224, 192, 160);
static const long BROWN = RGB3(205, 154, 103);
static const FontSpec BOLD = {"MS Sans Serif", 8.25f, 700};

// "Fast:" and "Slow:": bold, transparent labels in the frame at the scroll bar's ends.
static void PlaceSpeedLabel(Label& label, Frame& frame, float left, const char* caption, int tabIndex) {
    label.SetContainer(&frame);
    label.Move(left, 240, 735, 255);
    label.SetCaption(caption);
    label.Transparent = true;
    label.Font = BOLD;
    label.SetTabIndex(tabIndex);
}

frmZelvoSetup::frmZelvoSetup()
    : About0(*this, "About(0)"), About1(*this, "About(1)"), cmdOK(*this, "cmdOK"),
      fraSpeed(*this, "fraSpeed"), hsbSpeed(*this, "hsbSpeed"), lblFast(*this, "lblFast"),
      lblSlow(*this, "lblSlow"), txtTemp(*this, "txtTemp"), tmrButton(*this, "tmrButton") {
    Border = FormBorder::FixedDialog;
    Caption = "";
    Centred = true;
    ShowInTaskbar = false;
    BackColor = TAN;
    PictureId = IDR_HEADER;
    IconId = IDI_PROGRAM_GROUP;
    ClientWidth = 4800;
    ClientHeight = 5775;

    About0.Move(60, 3480, 4695, 675);
    About0.BackColor = BROWN;
    About0.Border = true;
    About0.SetTabIndex(0);
    About1.Move(60, 4200, 4695, 285);
    About1.BackColor = BROWN;
    About1.Border = true;
    About1.SetTabIndex(1);

    cmdOK.Move(-4560, 4560, 4695, 375);
    cmdOK.Caption = "OK";
    cmdOK.Font = BOLD;
    cmdOK.SetTabIndex(2);

    fraSpeed.Move(120, 5040, 4575, 615);
    fraSpeed.Caption = "Zelvo's Speed";
    fraSpeed.BackColor = TAN;
    fraSpeed.Font = BOLD;
    fraSpeed.SetTabIndex(3);

    hsbSpeed.SetContainer(&fraSpeed);
    hsbSpeed.Move(960, 240, 2595, 255);
    hsbSpeed.Min = SPEED_LOWEST;
    hsbSpeed.Max = SPEED_HIGHEST;
    hsbSpeed.SmallChange = 1;
    hsbSpeed.LargeChange = 1;
    hsbSpeed.SetValue(10);
    hsbSpeed.SetTabIndex(4);

    PlaceSpeedLabel(lblFast, fraSpeed, 120, "Fast:", 5);
    PlaceSpeedLabel(lblSlow, fraSpeed, 3720, "Slow:", 6);

    txtTemp.Move(60, 5780, 4695, 285);
    txtTemp.SetVisible(false);
    txtTemp.BackColor = BROWN;
    txtTemp.SetTabIndex(7);

    tmrButton.SetInterval(50);
    tmrButton.SetEnabled(true);
}
