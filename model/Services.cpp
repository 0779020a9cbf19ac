#include "model/Services.h"

#include <utility>

#include "options/Options.h"

void MemoryStatus::AppendLine(StatusPage page, std::string_view text) {
    pages[static_cast<int>(page)].emplace_back(text);
}

void MemoryStatus::ClearPage(StatusPage page) { pages[static_cast<int>(page)].clear(); }

int MemoryStatus::PageLineCount(StatusPage page) const {
    return static_cast<int>(pages[static_cast<int>(page)].size());
}

void MemoryStatus::ScrollPageToTop(StatusPage) { ++scrolledToTop; }

void RecordingPrompts::Show(MessageKind kind, std::string_view text) {
    shown.push_back({kind, std::string(text)});
}

Answer RecordingPrompts::Ask(MessageKind kind, std::string_view text, const std::vector<Answer>&) {
    shown.push_back({kind, std::string(text)});
    if (answers.empty()) return defaultAnswer;
    const Answer a = answers.front();
    answers.erase(answers.begin());
    return a;
}

bool RecordingPrompts::Input(std::string_view caption, std::string_view prompt, std::string& value) {
    shown.push_back({MessageKind::Confirmation, std::string(caption) + ": " + std::string(prompt)});
    if (inputAnswers.empty()) return inputAccepts;
    value = inputAnswers.front();
    inputAnswers.erase(inputAnswers.begin());
    return true;
}

bool RecordingPrompts::OpenFiles(const FileDialogRequest& request, std::vector<std::string>& files) {
    fileDialogs.push_back(request);
    files.clear();
    if (fileAnswers.empty()) return false;
    files = std::move(fileAnswers.front());
    fileAnswers.erase(fileAnswers.begin());
    return !files.empty();
}

bool RecordingPrompts::SaveFile(const FileDialogRequest& request, std::string& fileName) {
    std::vector<std::string> files;
    if (!OpenFiles(request, files)) return false;
    fileName = files.front();
    return true;
}

bool RecordingPrompts::PickColor(int32_t& color) {
    ++colorDialogs;
    if (colorAnswers.empty()) return false;
    color = colorAnswers.front();
    colorAnswers.erase(colorAnswers.begin());
    return true;
}

namespace {

// Headless defaults: a status window in memory, boxes that are recorded and
// answered "No", no preview, no shell.
struct DefaultServices {
    MemoryStatus status;
    RecordingPrompts prompts;
    WindowHooks window;
    RecordingShell shell;
    HelpViewer help;
    PictureLoader pictures;
    Services services;
    DefaultServices() {
        shell.succeeds = false;
        services.status = &status;
        services.prompts = &prompts;
        services.window = &window;
        services.shell = &shell;
        services.help = &help;
        services.pictures = &pictures;
    }
};

DefaultServices& Defaults() {
    static DefaultServices d;
    return d;
}

Services& Current() {
    static Services current = Defaults().services;
    return current;
}

}  // namespace

Services& Svc() { return Current(); }

ScopedServices::ScopedServices(const Services& replacement) : saved_(Current()) {
    Services& c = Current();
    if (replacement.status) c.status = replacement.status;
    if (replacement.prompts) c.prompts = replacement.prompts;
    if (replacement.window) c.window = replacement.window;
    if (replacement.shell) c.shell = replacement.shell;
    if (replacement.help) c.help = replacement.help;
    if (replacement.pictures) c.pictures = replacement.pictures;
    if (replacement.checkScene) c.checkScene = replacement.checkScene;
    if (replacement.mapsReport) c.mapsReport = replacement.mapsReport;
}

ScopedServices::~ScopedServices() { Current() = std::move(saved_); }

void WindowHooks::PreviewClientSize(int32_t& width, int32_t& height) {
    width = Form9.glView1.width;
    height = Form9.glView1.height;
}
