// The panel fixture.
#include "tests/panel/panel_fixture.h"

#include <cstring>

#include "effect/params.h"
#include "host/effect_module.h"
#include "host/sequence.h"
#include "platform/module_loader.h"
#include "tests/support/whole_file.h"

#if defined(_WIN32)
#include <windows.h>
#endif

StoredBitmap ReadStoredBitmap(const std::string& name)
{
    StoredBitmap b;
    const std::string path = std::string(VELMORA_SOURCE_DIR) + "/effect/resources/" + name;
    b.file = ReadFileBytes(path);
    if (b.file.size() < 54)
        return b;
    auto read32 = [&](size_t at) {
        return uint32_t(b.file[at]) | uint32_t(b.file[at + 1]) << 8 | uint32_t(b.file[at + 2]) << 16 |
               uint32_t(b.file[at + 3]) << 24;
    };
    b.width = int(read32(18));
    b.height = int(read32(22));
    b.rowBytes = ((b.width * 24 + 31) / 32) * 4;
    const size_t offset = read32(10);
    if (offset + size_t(b.rowBytes) * size_t(b.height) <= b.file.size())
        b.pixels.assign(b.file.begin() + long(offset), b.file.begin() + long(offset + size_t(b.rowBytes) * size_t(b.height)));
    return b;
}

void PanelTest::SetUp()
{
#if defined(_WIN32)
    // The bitmaps are resources of the module, not of the test program: the effect code linked
    // in here reads them from the loaded module.
    static HMODULE module = LoadLibraryA((ExecutableDir() + ModuleFileName()).c_str());
    ASSERT_NE(module, nullptr);
    ModuleInstance = module;
#else
    StandInReset();
#endif
    PanelLeft = PanelTop = 0;
    AboutHover = WebHover = 0;
    DrawingSuppressed = 1;
    ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE);
    RegisterDrawbotSuites(session, panel);
}

void PanelTest::TearDown()
{
    EXPECT_EQ(SetDownEffect(session, EntryPointFunc), PF_Err_NONE);
    for (const std::string& p : SessionProblems(session))
        ADD_FAILURE() << "host problem: " << p;
    for (const std::string& p : DrawbotProblems(panel))
        ADD_FAILURE() << "drawing problem: " << p;
#if !defined(_WIN32)
    EXPECT_EQ(StandInLiveGdiObjects(), 0) << "bitmaps or device contexts left behind";
#endif
}

PF_Err PanelTest::Send(PF_EventExtra& event)
{
    return CallEffect(session, EntryPointFunc, PF_Cmd_EVENT, nullptr, &event);
}

PF_Err PanelTest::Draw()
{
    PF_EventExtra e = Event(PF_Event_DRAW);
    return Send(e);
}

PF_Err PanelTest::MoveCursor(int32_t x, int32_t y, PF_EventOutFlags* outFlags)
{
    PF_EventExtra e = Event(PF_Event_ADJUST_CURSOR);
    e.u.adjust_cursor.screen_point = PF_Point{x, y};
    PF_Err err = Send(e);
    if (outFlags)
        *outFlags = e.evt_out_flags;
    return err;
}

PF_Err PanelTest::Click(int32_t x, int32_t y)
{
    PF_EventExtra e = Event(PF_Event_DO_CLICK);
    e.u.do_click.screen_point = PF_Point{x, y};
    return Send(e);
}

bool PanelTest::Shows(const StoredBitmap& bitmap, int32_t x0, int32_t y0) const
{
    if (bitmap.pixels.empty())
        return false;
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) {
            const uint8_t* want = &bitmap.pixels[size_t(y) * size_t(bitmap.rowBytes) + size_t(x) * 3];
            const uint8_t* got = CanvasPixel(panel, x0 + x, y0 + y);
            if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0] || got[3] != 255)
                return false;
        }
    return true;
}
