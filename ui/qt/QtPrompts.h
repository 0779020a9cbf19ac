// Message boxes and input boxes on the desktop.
#pragma once

#include "model/Services.h"

class QWidget;

class QtPrompts : public Prompts {
public:
    // `owner` is the window the boxes are centred on (the main window).
    explicit QtPrompts(QWidget* owner = nullptr) : owner_(owner) {}
    void Show(MessageKind kind, std::string_view text) override;
    Answer Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) override;
    bool Input(std::string_view caption, std::string_view prompt, std::string& value) override;
    // The toolkit's own open, save and colour dialogs (not the desktop's),
    // the same on every desktop and under the tests' virtual display.
    bool OpenFiles(const FileDialogRequest& request, std::vector<std::string>& files) override;
    bool SaveFile(const FileDialogRequest& request, std::string& fileName) override;
    bool PickColor(int32_t& color) override;

private:
    QWidget* owner_;
};
