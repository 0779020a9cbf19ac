// What the tests of the load, import and export commands share: the
// program's controllers on recording services, a fresh model, and small
// model and picture files in the test's folder.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "platform/gfx/Jpeg.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/Controllers.h"

class CommandTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        fixtures::ResetModel();
        BatchFiles = {"junk"};
        controllers = std::make_unique<Controllers>(ControllerPorts{host, help, dialogs});
        controllers->Register(Commands());
        out = dir / "out";
        std::filesystem::create_directories(out);
        Form2.Edit1.text = out.string();
    }
    void TearDown() override {
        controllers.reset();
        fixtures::ResetModel();
        ClearCameras();
        BatchFiles.clear();
        ControlTest::TearDown();
    }
    // A file in the test's folder with `text`; its full name.
    std::string Write(const std::string& name, const std::string& text) {
        const std::filesystem::path p = dir / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    // A unit square of two triangles at `x`, with the material `material`
    // from `library` when one is given.
    std::string WriteObj(const std::string& name, double x = 0, const std::string& library = "",
                         const std::string& material = "") {
        const std::string a = std::to_string(x), b = std::to_string(x + 1);
        return Write(name, (library.empty() ? "" : "mtllib " + library + "\n") + "v " + a + " 0 0\nv " + b +
                               " 0 0\nv " + b + " 1 0\nv " + a + " 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n" +
                               (material.empty() ? "" : "usemtl " + material + "\n") +
                               "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n");
    }
    // A black JPEG picture of the size.
    std::string WriteJpeg(const std::string& name, int width, int height) {
        const std::vector<uint8_t> bytes = gfx::encodeJpeg(gfx::Bitmap(width, height), 80);
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
    static std::string Read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // "Batch..." of `models`: lights and camera set, no common material file.
    void ChooseBatch(const std::vector<std::string>& models) {
        prompts.fileAnswers = {models};
        prompts.answers = {Answer::Yes, Answer::No};
        Commands().Run("Form1.Batch1");
    }
    // "Use a Batch file " chosen.
    void UseBatchFile() {
        Form1.RadioButton4.checked = false;
        Form1.RadioButton3.checked = true;
        Commands().Run("Form1.RadioButton3");
    }
    bool Logged(const std::string& line) const {
        const auto& m = status.Lines(StatusPage::Messages);
        return std::find(m.begin(), m.end(), line) != m.end();
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& s : prompts.shown) texts.push_back(s.text);
        return texts;
    }
    RecordingDialogs dialogs;
    std::unique_ptr<Controllers> controllers;
    std::filesystem::path out;
};
