// The panel's events: what a draw paints and where, the buttons' hot areas, hover repaints, and
// the events the panel leaves alone.
#include "tests/panel/panel_fixture.h"

#include <algorithm>

#include "effect/params.h"
#include "platform/pages.h"

namespace {

const StoredBitmap& Bitmap(int id)
{
    static const StoredBitmap banner = ReadStoredBitmap("banner.bmp");
    static const StoredBitmap about = ReadStoredBitmap("about_button.bmp");
    static const StoredBitmap aboutHover = ReadStoredBitmap("about_button_hover.bmp");
    static const StoredBitmap web = ReadStoredBitmap("web_button.bmp");
    static const StoredBitmap webHover = ReadStoredBitmap("web_button_hover.bmp");
    switch (id) {
    case BANNER_BITMAP: return banner;
    case ABOUT_BUTTON_BITMAP: return about;
    case ABOUT_BUTTON_HOVER_BITMAP: return aboutHover;
    case WEB_BUTTON_BITMAP: return web;
    default: return webHover;
    }
}

} // namespace

TEST(PanelArtwork, BitmapsHaveTheirSizesAndDifferFromTheirHoverImages)
{
    EXPECT_EQ(Bitmap(BANNER_BITMAP).width, 359);
    EXPECT_EQ(Bitmap(BANNER_BITMAP).height, 116);
    for (int id : {ABOUT_BUTTON_BITMAP, ABOUT_BUTTON_HOVER_BITMAP}) {
        EXPECT_EQ(Bitmap(id).width, 66);
        EXPECT_EQ(Bitmap(id).height, 66);
    }
    for (int id : {WEB_BUTTON_BITMAP, WEB_BUTTON_HOVER_BITMAP}) {
        EXPECT_EQ(Bitmap(id).width, 54);
        EXPECT_EQ(Bitmap(id).height, 58);
    }
    // A hover that looked like the normal image would make every hover test below meaningless.
    EXPECT_NE(Bitmap(ABOUT_BUTTON_BITMAP).pixels, Bitmap(ABOUT_BUTTON_HOVER_BITMAP).pixels);
    EXPECT_NE(Bitmap(WEB_BUTTON_BITMAP).pixels, Bitmap(WEB_BUTTON_HOVER_BITMAP).pixels);
}

TEST_F(PanelTest, DrawPaintsBannerAndBothButtonsAtTheirOffsets)
{
    PF_EventExtra e = Event(PF_Event_DRAW);
    ASSERT_EQ(Send(e), PF_Err_NONE);
    EXPECT_EQ(e.evt_out_flags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(panel.imagesDrawn, 3);
    EXPECT_EQ(DrawingSuppressed, 0);
    // The stored rows go to the host bottom row first, so the first stored row is the top one.
    EXPECT_TRUE(Shows(Bitmap(WEB_BUTTON_BITMAP), 284, 19));
    EXPECT_TRUE(Shows(Bitmap(ABOUT_BUTTON_BITMAP), 209, 44));
    // Banner pixels not covered by the buttons, and the panel beyond the banner left alone.
    const StoredBitmap& banner = Bitmap(BANNER_BITMAP);
    const uint8_t* corner = CanvasPixel(panel, 0, 0);
    EXPECT_EQ(corner[0], banner.pixels[2]);
    EXPECT_EQ(corner[2], banner.pixels[0]);
    const uint8_t* beyond = CanvasPixel(panel, 370, 130);
    EXPECT_EQ(beyond[0], PanelBackground[0]);
    EXPECT_EQ(beyond[1], PanelBackground[1]);
}

TEST_F(PanelTest, DrawPlacesImagesAtTheControlFrameAndRemembersTheUpdateOrigin)
{
    PF_EventExtra e = Event(PF_Event_DRAW);
    e.effect_win.current_frame = PF_Rect{12, 7, 396, 148};
    e.u.draw.update_rect = PF_Rect{20, 30, 404, 171};
    ASSERT_EQ(Send(e), PF_Err_NONE);
    EXPECT_TRUE(Shows(Bitmap(ABOUT_BUTTON_BITMAP), 12 + 209, 7 + 44));
    EXPECT_TRUE(Shows(Bitmap(WEB_BUTTON_BITMAP), 12 + 284, 7 + 19));
    EXPECT_EQ(PanelLeft, 20);
    EXPECT_EQ(PanelTop, 30);
}

TEST_F(PanelTest, HotAreasIncludeBothBounds)
{
    PanelLeft = 100;
    PanelTop = 50;
    struct Case { int x, y; bool about, web; };
    const Case cases[] = {
        {100 + 209, 50 + 44, true, false},  {100 + 275, 50 + 110, true, false},
        {100 + 208, 50 + 80, false, false}, {100 + 276, 50 + 80, false, false},
        {100 + 240, 50 + 43, false, false}, {100 + 240, 50 + 111, false, false},
        {100 + 284, 50 + 19, false, true},  {100 + 338, 50 + 77, false, true},
        {100 + 283, 50 + 40, false, false}, {100 + 339, 50 + 40, false, false},
        {100 + 300, 50 + 18, false, false}, {100 + 300, 50 + 78, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InAboutButton(PF_Point{c.x, c.y}), c.about) << c.x << "," << c.y;
        EXPECT_EQ(InWebButton(PF_Point{c.x, c.y}), c.web) << c.x << "," << c.y;
    }
}

// The host's coordinates may lie anywhere in its 32-bit range. Near its ends the hot areas and
// the images' places reach past it; they are worked out without overflowing (the sanitizer
// build stops on an overflow) and still answer for the points inside.
TEST_F(PanelTest, OriginsNearTheIntegerLimitsDoNotOverflow)
{
    const int32_t nearMax = INT32_MAX - 250;
    PanelLeft = nearMax;
    PanelTop = nearMax;
    EXPECT_TRUE(InAboutButton(PF_Point{nearMax + 230, nearMax + 100}));
    EXPECT_TRUE(InAboutButton(PF_Point{INT32_MAX - 41, INT32_MAX - 206}));   // the area's top left
    EXPECT_FALSE(InAboutButton(PF_Point{nearMax + 100, nearMax + 100}));
    EXPECT_FALSE(InWebButton(PF_Point{INT32_MAX, INT32_MAX}));   // its area starts past the range
    PanelLeft = INT32_MIN;
    PanelTop = INT32_MIN;
    EXPECT_TRUE(InAboutButton(PF_Point{INT32_MIN + 209, INT32_MIN + 110}));
    EXPECT_FALSE(InAboutButton(PF_Point{INT32_MAX, INT32_MAX}));

    PF_EventExtra e = Event(PF_Event_DRAW);
    e.effect_win.current_frame = PF_Rect{INT32_MAX - 100, INT32_MAX - 30, INT32_MAX, INT32_MAX};
    e.u.draw.update_rect = e.effect_win.current_frame;
    ASSERT_EQ(Send(e), PF_Err_NONE);
    EXPECT_EQ(panel.imagesDrawn, 0);   // all three land far off the canvas
    EXPECT_EQ(PanelLeft, INT32_MAX - 100);
    // Both buttons now begin past the range's end, so no point reaches them.
    MoveCursor(INT32_MAX, INT32_MAX);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_EQ(WebHover, 0);
}

TEST_F(PanelTest, HoverRepaintsOnceOnEnteringAndOnceOnLeaving)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    PF_EventOutFlags flags = 0;
    ASSERT_EQ(MoveCursor(230, 60, &flags), PF_Err_NONE);
    EXPECT_EQ(flags, PF_EO_HANDLED_EVENT | PF_EO_UPDATE_NOW);
    EXPECT_EQ(session.values[PARAM_INFORMATION].uu.change_flags & PF_ChangeFlag_CHANGED_VALUE, PF_ChangeFlag_CHANGED_VALUE);
    ASSERT_EQ(panel.invalidated.size(), 1u);
    EXPECT_EQ(panel.invalidated[0].right, 384);
    EXPECT_EQ(panel.invalidated[0].bottom, 141);

    // Moving about within the button changes nothing.
    MoveCursor(240, 70, &flags);
    MoveCursor(275, 110, &flags);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(panel.invalidated.size(), 1u);

    // The repaint shows the lit button.
    ASSERT_EQ(Draw(), PF_Err_NONE);
    EXPECT_TRUE(Shows(Bitmap(ABOUT_BUTTON_HOVER_BITMAP), 209, 44));
    EXPECT_TRUE(Shows(Bitmap(WEB_BUTTON_BITMAP), 284, 19));

    MoveCursor(10, 10);
    MoveCursor(12, 14);
    EXPECT_EQ(panel.invalidated.size(), 2u);
    ASSERT_EQ(Draw(), PF_Err_NONE);
    EXPECT_TRUE(Shows(Bitmap(ABOUT_BUTTON_BITMAP), 209, 44));
}

TEST_F(PanelTest, MovingFromOneButtonToTheOtherSwapsBothImages)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    MoveCursor(220, 50);
    MoveCursor(300, 30);
    EXPECT_EQ(panel.invalidated.size(), 2u);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_EQ(WebHover, 1);
    ASSERT_EQ(Draw(), PF_Err_NONE);
    EXPECT_TRUE(Shows(Bitmap(WEB_BUTTON_HOVER_BITMAP), 284, 19));
    EXPECT_TRUE(Shows(Bitmap(ABOUT_BUTTON_BITMAP), 209, 44));
}

TEST_F(PanelTest, HotAreasFollowTheLastDrawOrigin)
{
    PF_EventExtra e = Event(PF_Event_DRAW);
    e.u.draw.update_rect = PF_Rect{0, 40, 384, 181};
    ASSERT_EQ(Send(e), PF_Err_NONE);
    MoveCursor(230, 40 + 110);   // inside: bounds are inclusive
    EXPECT_EQ(AboutHover, 1);
    MoveCursor(230, 40 + 111);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_EQ(panel.invalidated.size(), 2u);
}

TEST_F(PanelTest, WhileTheHostWillNotDrawCursorMovesChangeNothing)
{
    // Before the first draw the panel counts as not shown.
    MoveCursor(230, 60);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_TRUE(panel.invalidated.empty());

    ASSERT_EQ(Draw(), PF_Err_NONE);
    PF_EventExtra suppressed = Event(PF_Event_DRAW);
    suppressed.evt_in_flags = PF_EI_DONT_DRAW;
    ASSERT_EQ(Send(suppressed), PF_Err_NONE);
    EXPECT_EQ(DrawingSuppressed, 1);
    EXPECT_EQ(panel.imagesDrawn, 3);   // nothing painted for the suppressed one
    EXPECT_EQ(suppressed.evt_out_flags, 0);

    PF_EventOutFlags flags = 0;
    MoveCursor(230, 60, &flags);
    MoveCursor(300, 30, &flags);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_EQ(WebHover, 0);
    EXPECT_TRUE(panel.invalidated.empty());

    // The next ordinary draw brings the hover back.
    ASSERT_EQ(Draw(), PF_Err_NONE);
    MoveCursor(300, 30);
    EXPECT_EQ(WebHover, 1);
    EXPECT_EQ(panel.invalidated.size(), 1u);
}

TEST_F(PanelTest, CollapsedParameterIgnoresTheCursor)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    session.values[PARAM_INFORMATION].flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    MoveCursor(230, 60);
    EXPECT_EQ(AboutHover, 0);
    EXPECT_TRUE(panel.invalidated.empty());
}

TEST_F(PanelTest, EventsOfOtherParametersAndWindowsAreLeftAlone)
{
    PF_EventExtra other = Event(PF_Event_DRAW);
    other.effect_win.index = PARAM_RENDERING_MODE;
    EXPECT_EQ(Send(other), PF_Err_NONE);
    EXPECT_EQ(other.evt_out_flags, 0);
    EXPECT_EQ(panel.imagesDrawn, 0);
    EXPECT_EQ(DrawingSuppressed, 1);

    PF_Context comp = panel.context;
    comp.w_type = PF_Window_COMP;
    PF_Context* compP = &comp;
    PF_EventExtra inComp = Event(PF_Event_DRAW);
    inComp.contextH = &compP;
    EXPECT_EQ(Send(inComp), PF_Err_NONE);
    EXPECT_EQ(panel.imagesDrawn, 0);
    EXPECT_EQ(DrawingSuppressed, 1);

    ASSERT_EQ(Draw(), PF_Err_NONE);
    PF_EventExtra cursor = Event(PF_Event_ADJUST_CURSOR);
    cursor.effect_win.index = PARAM_GROW_UP;
    cursor.u.adjust_cursor.screen_point = PF_Point{230, 60};
    EXPECT_EQ(Send(cursor), PF_Err_NONE);
    cursor = Event(PF_Event_ADJUST_CURSOR);
    cursor.contextH = &compP;
    cursor.u.adjust_cursor.screen_point = PF_Point{230, 60};
    EXPECT_EQ(Send(cursor), PF_Err_NONE);
    EXPECT_EQ(AboutHover, 0);

    PF_EventExtra idle = Event(PF_Event_IDLE);
    EXPECT_EQ(Send(idle), PF_Err_NONE);
    EXPECT_EQ(idle.evt_out_flags, 0);
    PF_EventExtra nullContext = Event(PF_Event_DRAW);
    nullContext.contextH = nullptr;
    EXPECT_EQ(Send(nullContext), PF_Err_NONE);
    EXPECT_EQ(panel.imagesDrawn, 3);
}

TEST_F(PanelTest, TitleAreaGetsNoImagesButTheEventIsHandled)
{
    PF_EventExtra title = Event(PF_Event_DRAW);
    title.effect_win.area = PF_EA_PARAM_TITLE;
    ASSERT_EQ(Send(title), PF_Err_NONE);
    EXPECT_EQ(title.evt_out_flags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(panel.imagesDrawn, 0);
    EXPECT_EQ(DrawingSuppressed, 0);
}

#if !defined(_WIN32)
// Through the stand-in, whose GDI serves only the stored format and size.
TEST(PanelBitmapBits, RowsArePaddedToWholeWordsAndBadSizesGiveNothing)
{
    int rowBytes = 0;
    unsigned char* pixels = LoadBitmapBits(WEB_BUTTON_BITMAP, 54, 58, rowBytes);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(rowBytes, 164);   // 54 pixels of 3 bytes, padded from 162
    const StoredBitmap& web = Bitmap(WEB_BUTTON_BITMAP);
    EXPECT_TRUE(std::equal(web.pixels.begin(), web.pixels.end(), pixels));
    PageRelease(pixels);

    EXPECT_EQ(LoadBitmapBits(WEB_BUTTON_BITMAP, 0, 58, rowBytes), nullptr);
    EXPECT_EQ(LoadBitmapBits(WEB_BUTTON_BITMAP, 54, 0, rowBytes), nullptr);
    EXPECT_EQ(LoadBitmapBits(WEB_BUTTON_BITMAP, -5, 58, rowBytes), nullptr);
    EXPECT_EQ(LoadBitmapBits(12345, 54, 58, rowBytes), nullptr);
    EXPECT_EQ(LoadBitmapBits(WEB_BUTTON_BITMAP, 66, 66, rowBytes), nullptr);   // not its size
    EXPECT_EQ(StandInLiveGdiObjects(), 0);
}
#endif
