#include "tests/e2e/E2EHtml.h"

#include <iostream>

#include "model/TextConv.h"

#if MIRELAN_E2E_HTML
#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <exception>

#include "htmlviewer/widgets/HtmlView.h"
#include "imageformats/ImageRegistration.h"
#include "platform/qt/QtImageFormats.h"
#include "ui/dialogs/HelpWindow.h"
#endif

namespace e2e {

// The widest document picture.
constexpr int MaxHtmlWidth = 8192;

std::string ParseHtmlJob(char** argv, int i, HtmlJob& job) {
    job.file = argv[i];
    int64_t width = 0;
    if (!ParseInt(argv[i + 1], width) || width < 1 || width > MaxHtmlWidth)
        return "--html: the width must be 1 to " + std::to_string(MaxHtmlWidth);
    job.width = static_cast<int>(width);
    job.out = argv[i + 2];
    if (job.file.empty() || job.out.empty()) return "--html needs FILE WIDTH OUT.png";
    return {};
}

#if MIRELAN_E2E_HTML
bool RunHtmlJobs(const std::vector<HtmlJob>& jobs, char* program, std::string& errors) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication application(argc, argv);
    // Pictures of every format, as the program registers them.
    img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
    bool done = true;
    for (const HtmlJob& job : jobs) {
        THtmlView view;
        ApplyHelpViewSettings(view);
        view.OnError = [&](const std::string& message) { errors += message + '\n'; };
        view.resize(job.width, 600);
        view.show();
        try {
            view.LoadFromFile(job.file);
        } catch (const std::exception& e) {
            errors += job.file + ": " + e.what() + '\n';
            done = false;
            if (view.Document().Count() == 0) continue;  // a parse error still shows what was built
        }
        QImage image;
        try {
            image = view.RenderDocument();
        } catch (const std::exception& e) {
            errors += job.file + ": " + e.what() + '\n';
            done = false;
            continue;
        }
        if (!image.save(QString::fromStdString(job.out))) {
            errors += "cannot write " + job.out + '\n';
            done = false;
            continue;
        }
        std::cout << "html " << image.width() << ' ' << image.height() << '\n';
    }
    return done;
}
#else
bool RunHtmlJobs(const std::vector<HtmlJob>&, char*, std::string& errors) {
    errors = "--html: built without the HTML viewer\n";
    return false;
}
#endif

}  // namespace e2e
