// Starting POV-Ray on the files the program wrote: a render of an INI file
// (the scene saved by "Save && Render", a material or sky bake), the written
// files opened for editing, and the batch script. Everything is started
// through the shell (Svc().shell) and never waited for, so that tests see
// the exact program, parameters and working folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a run of POV-Ray is for.
enum class PovRayRun {
    Render,  // a render the user looks at: its picture window stays open when done
    Bake,    // a render whose picture the program takes afterwards: it ends by itself
};

// The POV-Ray program that "POV-Ray executable" (Form1.Edit52) names, as
// the program starts it: the text trimmed and without enclosing double
// quotes, taken as a path when it holds a "/" and looked up on PATH when it
// is a bare name ("povray"); "" when it names nothing that can be run.
std::string PovRayProgram();

// `text` between double quotes.
std::string Quoted(std::string_view text);

// Starts `program` on the INI file `iniFile` (named in full) with `folder` as
// its working folder: POV-Ray may write only in its working folder, so the
// rendered picture and every file of the render land there. A render keeps
// its picture window open when done ("+P"). True when it was started.
bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run);

// Opens each file with the desktop's editor for its type. True when every
// file was handed on.
bool OpenInEditor(const std::vector<std::string>& files);

// Runs the batch script `script` with the POSIX shell in `folder`, the
// folder its INI files are named relative to. True when it was started.
bool StartBatchScript(const std::string& script, const std::string& folder);
