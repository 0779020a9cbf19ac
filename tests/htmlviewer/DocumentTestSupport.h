// Documents of the viewer put together in tests as the builder would: text
// paragraphs with their source positions, attributes of tags, and a layout
// on the recording canvas (every character 7 pixels wide, fonts 16 pixels
// high with a descent of 4).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "htmlviewer/HtmlBlocks.h"
#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/HtmlTable.h"
#include "platform/gfx/RecordingCanvas.h"

// A text token whose characters come from consecutive source positions.
inline TokenObj Tok(const std::string& text, int firstPos = 0) {
    TokenObj t;
    for (std::size_t i = 0; i < text.size(); ++i) t.AddChar(text[i], firstPos + static_cast<int>(i));
    return t;
}

// Attributes of a tag: (symbol, text); a numeric text also gives the value.
inline TAttributeList Attrs(const std::vector<std::pair<AttrSym, std::string>>& list) {
    TAttributeList attributes;
    for (const auto& [sym, text] : list) {
        auto a = std::make_unique<TAttribute>();
        a->AttrSymbol = sym;
        a->Name = text;
        a->Value = std::atoi(text.c_str());
        attributes.Add(std::move(a));
    }
    return attributes;
}

// The document font at the default size.
inline TMyFont DocFont(const TSectionList& doc) {
    TMyFont f;
    f.Font.family = doc.FontName;
    f.SetNormalSize(12, doc.FontSize);
    f.Font.color = gfx::clBlack;
    return f;
}

// A document without images (missing pictures show the default picture).
class DocTest : public ::testing::Test {
protected:
    DocTest() { doc.ShowImages = false; }

    // A new paragraph of the document, not yet added.
    std::unique_ptr<TSection> Para(const std::string& text = "", TJustify justify = LeftJustify, int level = 0) {
        auto s = std::make_unique<TSection>(&doc, justify, TUrlTarget{}, DocFont(doc), level);
        if (!text.empty()) s->AddTokenObj(Tok(text, next), false);
        next += static_cast<int>(text.size()) + 10;
        return s;
    }
    // Adds a section to the document and returns it.
    template <class T>
    T* Add(std::unique_ptr<T> section) {
        T* p = section.get();
        doc.Add(std::move(section));
        return p;
    }
    // Lays the document out for a width from Y 0; returns its height.
    int Layout(int width) {
        int curs = 0;
        maxWidth = 0;
        return doc.LayOutContent(canvas, 0, width, curs, maxWidth);
    }
    // Paints the whole document into a window of the size.
    void Paint(int width, int height) { doc.Draw(canvas, {0, 0, width, height}, 0, 0); }

    TSectionList doc;
    gfx::RecordingCanvas canvas;
    int maxWidth = 0;
    int next = 0;
};
