// The HTML job of the end-to-end driver: a document laid out and painted as
// the help window shows it, saved as a picture.
#pragma once

#include <string>
#include <vector>

namespace e2e {

// --html FILE WIDTH OUT.png: the arguments after the option.
struct HtmlJob {
    std::string file;
    int width = 0;
    std::string out;
};

// Reads the three arguments of --html starting at argv[i]; an empty text
// when they are good, else what is wrong.
std::string ParseHtmlJob(char** argv, int i, HtmlJob& job);

// Loads each file into a viewer with the help window's settings that is
// WIDTH pixels wide, paints the whole document (its form controls included)
// into the picture file and prints "html W H" (its size). Runs its own
// window system (offscreen unless one is asked for), which ends before it
// returns. False with the reasons (one a line) when a job failed.
bool RunHtmlJobs(const std::vector<HtmlJob>& jobs, char* program, std::string& errors);

}  // namespace e2e
