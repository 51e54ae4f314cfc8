// Fuzzes the saver's settings: arbitrary bytes as zelvosav.ini, read by the saver
// window in saver mode and by the setup dialog, whose OK writes the value back.
// Whatever the file holds, the timer gets an interval the platform accepts, the
// scroll bar a value in its range, and OK writes a value that reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include "convert.h"
#include "frmZelvoSaver.h"
#include "headless_platform.h"
#include "setup/frmZelvoSetup.h"

static const char* INI_PATH = "C:\\WINDOWS\\zelvosav.ini";

static void Check(bool ok) {
    if (!ok) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);

    // The conversions agree with each other.
    Text t(file.data(), file.size());
    long asLong = 0;
    short asInteger = 0;
    if (TextToInteger(t, &asInteger)) Check(TextToLong(t, &asLong) && asLong == asInteger);

    {
        HeadlessPlatform p;
        p.SetFile(INI_PATH, file);
        p.commandLine = "/S";
        frmZelvoSaver saver;
        p.Start(saver);
        long interval = saver.tmrZelvo.Interval();
        Check(interval >= 0 && interval <= 65535);
        Check(p.IsShown(saver));
        p.Advance(50);
    }
    {
        HeadlessPlatform p;
        p.SetFile(INI_PATH, file);
        p.commandLine = "/C";
        frmZelvoSaver saver;
        p.Start(saver);
        Check(p.shownForms.size() == 1);
        frmZelvoSetup* setup = static_cast<frmZelvoSetup*>(p.shownForms[0]);
        short value = setup->hsbSpeed.Value();
        Check(value >= 1 && value <= 150);
        p.Click(setup->cmdOK);
        Check(p.ended);
        char buffer[256];
        long n = p.GetPrivateProfileStringA("Zelvosav", "Speed", "", buffer, 256, INI_PATH);
        short back = 0;
        Check(TextToInteger(Text(buffer, (size_t)n), &back) && back == value);
    }
    return 0;
}
