#include "model/StatusLog.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "platform/Version.h"

namespace {
int gaugePosition = 0;
double storedPosition = 0;
int waitDepth = 0;

void SetGauge(int percent) {
    if (percent == gaugePosition) return;  // the gauge changes only with its percentage
    gaugePosition = percent;
    Svc().status->SetProgress(percent);
}
}  // namespace

void AppendLine(StatusPage page, std::string_view text) { Svc().status->AppendLine(page, text); }

void LogMessage(std::string_view text) {
    StatusSink& s = *Svc().status;
    s.AppendLine(StatusPage::Messages, text);
    s.SetStatusLine(text);
    s.ProcessPendingMessages();
}

static void LogTo(StatusPage page, std::string_view text) {
    StatusSink& s = *Svc().status;
    s.AppendLine(page, text);
    s.ProcessPendingMessages();
}

void LogGeometry(std::string_view text) { LogTo(StatusPage::Geometry, text); }
void LogMaps(std::string_view text) { LogTo(StatusPage::Maps, text); }
void LogGLInfo(std::string_view text) { LogTo(StatusPage::GLInfo, text); }
void LogLightsLine(std::string_view text) { LogTo(StatusPage::SceneLights, text); }

void ClearMessagesPage() { Svc().status->ClearPage(StatusPage::Messages); }
void ClearWarningsPage() { Svc().status->ClearPage(StatusPage::Warnings); }
void ClearGeometryPage() { Svc().status->ClearPage(StatusPage::Geometry); }
void ClearMapsPage() { Svc().status->ClearPage(StatusPage::Maps); }
void ClearGLInfoPage() { Svc().status->ClearPage(StatusPage::GLInfo); }
void ClearLightsPage() { Svc().status->ClearPage(StatusPage::SceneLights); }
void ScrollGLInfoToTop() { Svc().status->ScrollPageToTop(StatusPage::GLInfo); }
int WarningLineCount() { return Svc().status->PageLineCount(StatusPage::Warnings); }

void ShowModelStatistics() {
    ClearGeometryPage();
    std::vector<std::string> lines;
    ModelStatistics(lines);
    for (const std::string& line : lines) LogGeometry(line);
    ShowMapsReport();
}

void ShowMapsReport() {
    ClearMapsPage();
    if (!Svc().mapsReport) return;
    for (const std::string& line : Svc().mapsReport()) LogMaps(line);
}

void LogBuildInfo() {
    LogMessage(RuleLine);
    LogMessage("Mirelan build " + TextAfterLastDot(GetVersionString()));
    LogMessage(" ");
}

static void AddExtensionList(std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& item : SplitCommaText(text))
        if (!item.empty()) lines.push_back("  " + item);
}

void LogGLDriverInfo() {
    ClearGLInfoPage();
    const std::string rule(RuleLine);
    std::vector<std::string> lines = {rule,
                                      "OpenGL (R) API Driver Information",
                                      "Version: " + GLVersionText,
                                      "Vendor: " + GLVendorText,
                                      "Renderer: " + GLRendererText,
                                      "Max number of lights: " + std::to_string(MaxGLLights)};
    if (MultitextureSupported)
        lines.push_back("Max number of textures in a single-pass: " + std::to_string(MaxTextureUnits));
    else
        lines.emplace_back("No multitexturing support present (no reflections)");
    lines.emplace_back(SeparateSpecularSupported ? "Texture specular supported" : "Texture specular not supported");
    lines.insert(lines.end(), {rule, "OpenGL (R) API Utility Library (GLU)", "Version: " + GLUVersionText, rule,
                               "Available OpenGL (R) Extensions:"});
    AddExtensionList(lines, GLExtensionsText);
    lines.insert(lines.end(), {rule, "Available GLU Extensions:"});
    AddExtensionList(lines, GLUExtensionsText);
    lines.emplace_back("End");
    // The hundreds of lines go to the page as one change.
    Svc().status->AppendLines(StatusPage::GLInfo, lines);
    Svc().status->ProcessPendingMessages();
    ScrollGLInfoToTop();
}

void BeginWait() {
    StatusSink& s = *Svc().status;
    ++waitDepth;
    s.SetWaitCursor(true);
    s.ProcessPendingMessages();
    s.SetPagesEnabled(false);
    s.SetWarningsLine("Processing...");
}

void EndWait() {
    StatusSink& s = *Svc().status;
    if (waitDepth > 0) --waitDepth;
    if (waitDepth > 0) return;  // an inner wait: the outer one ends the operation
    s.SetWaitCursor(false);
    s.ProcessPendingMessages();
    s.SetPagesEnabled(true);
    ShowProgress(0, 1, 0);
    if (Svc().checkScene) Svc().checkScene();
}

void EndWaitLogged() noexcept {
    try {
        EndWait();
    } catch (const std::bad_alloc&) {
        try {
            LogMessage("<!>Not enough memory to check the scene");
        } catch (...) {  // not even the line fits: the wait has ended all the same
        }
    } catch (const std::exception& e) {
        try {
            LogMessage(std::string("<!>The scene could not be checked: ") + e.what());
        } catch (...) {
        }
    } catch (...) {
    }
}

bool IsBusy() { return waitDepth > 0; }

void ResetProgress() {
    gaugePosition = -1;
    SetGauge(0);
    storedPosition = 0;
}

void ShowProgress(double min, double max, double position) {
    double range = max - min;
    if (std::fabs(range) < Epsilon) range = 1;
    double p = (position - min) / range * 100.0;
    if (!std::isfinite(p)) p = 0;
    if (Round(p) > GaugeMaximum) p = static_cast<double>(Round(Frac(p / GaugeMaximum) * GaugeMaximum));
    if (Round(p) < GaugeMinimum) p = GaugeMinimum;
    SetGauge(static_cast<int>(Round(p)));
    storedPosition = position;
}

void AdvanceProgress(double min, double max, double step) {
    double range = max - min;
    if (std::fabs(range) < Epsilon) range = 1;
    storedPosition += step;
    const double p = Frac(storedPosition / range) * GaugeMaximum;
    SetGauge(static_cast<int>(std::llabs(Round(std::isfinite(p) ? p : 0))));
}

int GaugePosition() { return gaugePosition; }
double StoredProgressPosition() { return storedPosition; }
