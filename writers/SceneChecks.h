// The scene checks: conditions that would make the exported POV-Ray scene
// fail or look wrong (missing help file and renderer, maps POV-Ray cannot
// read, empty or badly scaled geometry). Every finding goes to the
// "Warnings" page; the warning line of the status strip shows their number
// and the last one.
#pragma once

#include <string>
#include <vector>

// Runs every check, refills the "Warnings" page and sets the warning line.
void CheckScene();
// Appends the findings about the material maps and the background map.
void CheckMaps(std::vector<std::string>& warnings);
// The warning line: "No warnings", or "1 warning" / "N warnings" followed by
// " -> " and the last warning.
std::string WarningCountLine(const std::vector<std::string>& warnings);

// Makes the scene check the one that every wait ends with (Svc().checkScene)
// and the maps report the one of the "Maps" page (Svc().mapsReport). The
// program calls it once at start-up; tests call it in their set-up.
void InstallSceneChecks();
