// `velmora panel --out FILE [--hover about|web]`: the effect's panel as the host paints it. Sends
// the draw event; for a hover, a cursor event over that button and, when the effect asks for a
// repaint, the draw event again; writes the canvas as PNG.
#include <iostream>
#include <memory>

#include "effect/params.h"
#include "host/commands.h"
#include "host/drawbot_suites.h"
#include "host/effect_module.h"
#include "host/image_io.h"
#include "host/sequence.h"

namespace {

// Where the cursor rests for a hover: the middle of the button, in panel coordinates.
bool HoverPoint(const std::string& hover, PF_Point& at)
{
    if (hover == "about")
        at = PF_Point{209 + 33, 44 + 33};
    else if (hover == "web")
        at = PF_Point{284 + 27, 19 + 29};
    else
        return false;
    return true;
}

bool WriteCanvas(const DrawbotHost& host, const std::string& path, std::string& error)
{
    RgbaImage image;
    image.width = host.width;
    image.height = host.height;
    image.bitDepth = 8;
    image.pixels.resize(host.rgba.size());
    for (size_t i = 0; i < host.rgba.size(); ++i)
        image.pixels[i] = uint16_t(host.rgba[i] * 257);
    return WritePngFile(path, image, error);
}

} // namespace

int RunPanelCommand(const std::string& modulePath, const std::string& outPath, const std::string& hover,
                    std::ostream& out, std::ostream& err)
{
    PF_Point hoverAt{0, 0};
    if (!hover.empty() && !HoverPoint(hover, hoverAt)) {
        err << "velmora: --hover \"" << hover << "\": expected about or web\n";
        return EXIT_FAILED;
    }
    ModuleRun run;
    std::unique_ptr<DrawbotHost> panel;
    int drawEvents = 0;
    bool handled = true;
    bool noRepaint = false;
    const bool loaded = RunModuleInstance(modulePath, run, err, [&](HostSession& s) -> PF_Err {
        if (s.defaults.size() <= size_t(PARAM_INFORMATION) || s.defaults[PARAM_INFORMATION].ui_width <= 0 ||
            s.defaults[PARAM_INFORMATION].ui_height <= 0 || !s.customUIRegistered) {
            err << "velmora: the effect registered no custom-drawn panel\n";
            return PF_Err_INVALID_INDEX;
        }
        panel = std::make_unique<DrawbotHost>(s.defaults[PARAM_INFORMATION].ui_width,
                                              s.defaults[PARAM_INFORMATION].ui_height);
        RegisterDrawbotSuites(s, *panel);

        auto draw = [&]() -> PF_Err {
            PF_EventExtra event = PanelEvent(*panel, PF_Event_DRAW);
            PF_Err e = CallEffect(s, run.module.entry, PF_Cmd_EVENT, nullptr, &event);
            handled = handled && (event.evt_out_flags & PF_EO_HANDLED_EVENT);
            ++drawEvents;
            return e;
        };
        PF_Err e = draw();
        if (e != PF_Err_NONE || hover.empty())
            return e;
        const size_t repaintsBefore = panel->invalidated.size();
        PF_EventExtra cursor = PanelEvent(*panel, PF_Event_ADJUST_CURSOR);
        cursor.u.adjust_cursor.screen_point = hoverAt;
        e = CallEffect(s, run.module.entry, PF_Cmd_EVENT, nullptr, &cursor);
        if (e != PF_Err_NONE)
            return e;
        if (panel->invalidated.size() == repaintsBefore) {
            err << "velmora: the effect asked for no repaint when the cursor moved onto the " << hover << " button\n";
            noRepaint = true;
            return PF_Err_NONE;
        }
        return draw();
    });
    if (!loaded)
        return EXIT_NO_MODULE;

    int code = ReportOutcome(run.session, run.result, err);
    if (panel) {
        for (const std::string& problem : DrawbotProblems(*panel)) {
            err << "velmora: host problem: " << problem << "\n";
            code = EXIT_FAILED;
        }
        if (noRepaint)
            code = EXIT_FAILED;
        if (!handled) {
            err << "velmora: the effect did not handle the draw event\n";
            code = EXIT_FAILED;
        }
    }
    if (code != EXIT_OK || !panel)
        return code == EXIT_OK ? EXIT_FAILED : code;
    std::string error;
    if (!WriteCanvas(*panel, outPath, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    out << "panel " << panel->width << "x" << panel->height << ": " << drawEvents << " draw event(s), "
        << panel->imagesDrawn << " image(s) painted, " << panel->invalidated.size() << " repaint(s) requested; wrote "
        << outPath << "\n";
    return EXIT_OK;
}

void AddPanelCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("panel", "Paint the effect's panel as the host shows it, to a PNG file");
    auto out = std::make_shared<std::string>();
    auto hover = std::make_shared<std::string>();
    sub->add_option("--out", *out, "The PNG file to write")->required();
    sub->add_option("--hover", *hover, "Paint it with the cursor over a button")
        ->check(CLI::IsMember({"about", "web"}));
    sub->callback([&context, out, hover] {
        context.exitCode = RunPanelCommand(context.modulePath, *out, *hover, std::cout, std::cerr);
    });
}
