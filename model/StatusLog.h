// The status log, the wait indicator and the progress gauge. Every routine
// writes through the status services (Services.h), so the model runs the
// same with the status window, headless, or under test.
#pragma once

#include <string>
#include <string_view>

#include "model/Services.h"

inline constexpr std::string_view RuleLine = "==================================================";

void AppendLine(StatusPage page, std::string_view text);
// "Messages" page plus the status line.
void LogMessage(std::string_view text);
void LogGeometry(std::string_view text);
void LogMaps(std::string_view text);
void LogGLInfo(std::string_view text);
void LogLightsLine(std::string_view text);
void ClearMessagesPage();
void ClearWarningsPage();
void ClearGeometryPage();
void ClearMapsPage();
void ClearGLInfoPage();
void ClearLightsPage();
void ScrollGLInfoToTop();
int WarningLineCount();

// Empties the "Geometry" page, writes the model statistics there line by
// line, then `ShowMapsReport`.
void ShowModelStatistics();
// Empties the "Maps" page and writes the lines of the maps report there.
void ShowMapsReport();

void LogBuildInfo();
void LogGLDriverInfo();

// Hourglass, pages disabled and "Processing..." until the matching EndWait;
// EndWait ends with the scene check. Waits nest.
void BeginWait();
void EndWait();
// True while a long operation runs: closing and new commands are refused.
bool IsBusy();

// EndWait, whose scene check, when it fails, is logged with a "<!>" line
// rather than passed on: the wait has ended all the same.
void EndWaitLogged() noexcept;

// Ends a wait on every path out of a scope. A scene check that fails there
// (running out of memory on a model that only just fitted, say) is logged
// with a "<!>" line: it cannot end the program, whether the scope ends
// normally or while an error of the command is on its way out.
class WaitScope {
public:
    WaitScope() { BeginWait(); }
    ~WaitScope() { EndWaitLogged(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;
};

inline constexpr int GaugeMinimum = 0;
inline constexpr int GaugeMaximum = 100;
void ResetProgress();
void ShowProgress(double min, double max, double position);
void AdvanceProgress(double min, double max, double step);
int GaugePosition();
double StoredProgressPosition();
