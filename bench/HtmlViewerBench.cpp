// The HTML viewer's GIF decoding beside Qt's GIF reader on the same
// animation in the same run; the tokenizer on a help-sized document beside a
// plain scan of its bytes (the floor any tokenizer stays above), and the
// document builder on the same document beside the tokenizer (what building
// the sections adds to reading the tokens), alone and with a layout on fixed
// metrics.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "htmlviewer/Gif.h"
#include "htmlviewer/HtmlParser.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/Stream.h"

namespace {

constexpr int Side = 320;
constexpr int Frames = 8;

// Packs GIF LZW codes least significant bit first.
class BitWriter {
public:
    void put(int code, int width) {
        for (int b = 0; b < width; ++b) {
            if (bit_ % 8 == 0) bytes.push_back(0);
            if ((code >> b) & 1) bytes.back() |= static_cast<uint8_t>(1 << (bit_ % 8));
            ++bit_;
        }
    }
    std::vector<uint8_t> bytes;

private:
    long bit_ = 0;
};

// Plain GIF LZW of 8-bit indices, with a clear code whenever the table is full.
std::vector<uint8_t> Lzw(const std::vector<uint8_t>& pixels) {
    constexpr int clear = 256, end = 257;
    BitWriter out;
    std::vector<int> table(4096 * 256, -1);
    int next = 258, width = 9;
    out.put(clear, width);
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int c = pixels[i];
        const int known = table[static_cast<std::size_t>(prefix) * 256 + c];
        if (known >= 0) {
            prefix = known;
            continue;
        }
        out.put(prefix, width);
        if (next < 4096) {
            table[static_cast<std::size_t>(prefix) * 256 + c] = next++;
            if (next > (1 << width) && width < 12) ++width;
        } else {
            out.put(clear, width);
            std::fill(table.begin(), table.end(), -1);
            next = 258;
            width = 9;
        }
        prefix = c;
    }
    out.put(prefix, width);
    out.put(end, width);
    return out.bytes;
}

// An animation of smooth, moving colour fields: 8 full frames of 320 x 320,
// 256 colours, 5 hundredths of a second each, looping.
const std::vector<uint8_t>& AnimationBytes() {
    static const std::vector<uint8_t> gif = [] {
        std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', Side & 255, Side >> 8, Side & 255, Side >> 8, 0xF7, 0, 0};
        for (int i = 0; i < 256; ++i) g.insert(g.end(), {uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 255)});
        g.insert(g.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
        for (int f = 0; f < Frames; ++f) {
            g.insert(g.end(), {0x21, 0xF9, 4, 0x04, 5, 0, 0, 0});
            g.insert(g.end(), {0x2C, 0, 0, 0, 0, Side & 255, Side >> 8, Side & 255, Side >> 8, 0, 8});
            std::vector<uint8_t> pixels(Side * Side);
            for (int y = 0; y < Side; ++y)
                for (int x = 0; x < Side; ++x)
                    pixels[static_cast<std::size_t>(y * Side + x)] = static_cast<uint8_t>(
                        128 + 60 * std::sin((x + 9 * f) / 23.0) + 60 * std::cos((y - 5 * f) / 31.0));
            const std::vector<uint8_t> data = Lzw(pixels);
            for (std::size_t i = 0; i < data.size(); i += 255) {
                const std::size_t n = std::min<std::size_t>(255, data.size() - i);
                g.push_back(static_cast<uint8_t>(n));
                g.insert(g.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                         data.begin() + static_cast<std::ptrdiff_t>(i + n));
            }
            g.push_back(0);
        }
        g.push_back(0x3B);
        return g;
    }();
    return gif;
}

void BM_GifDecodeAndCompose(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = AnimationBytes();
    for (auto _ : state) {
        gfx::MemoryStream stream(bytes);
        TGif gif;
        gif.LoadFromStream(stream);
        const TGifStrip strip = gif.GetStripBitmap();
        benchmark::DoNotOptimize(strip.Cells.back().bits());
    }
    state.SetItemsProcessed(state.iterations() * Frames * Side * Side);
}
BENCHMARK(BM_GifDecodeAndCompose)->Unit(benchmark::kMillisecond);

void BM_QtGifReader(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = AnimationBytes();
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    for (auto _ : state) {
        QByteArray copy = data;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "gif");
        int frames = 0;
        QImage image;
        while (reader.read(&image)) ++frames;
        if (frames != Frames) state.SkipWithError("Qt read a different number of frames");
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * Frames * Side * Side);
}
BENCHMARK(BM_QtGifReader)->Unit(benchmark::kMillisecond);

// A picture as a page's <img> fetches it: a GIF whose 4096 x 4096 screen
// holds one 4 x 4 frame, so that nearly all the time goes on the screen's
// bitmap (composed, copied into the cached image, masked by the colour of its
// corner pixel) rather than on decoding. Beside it, the same bytes written
// once and copied three times: the floor of that work at memory speed.
constexpr int LargeScreen = 4096;

std::vector<uint8_t> LargeScreenBytes() {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 0, LargeScreen >> 8, 0, LargeScreen >> 8, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) g.insert(g.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    g.insert(g.end(), {0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 8});
    std::vector<uint8_t> pixels(16);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 16);
    const std::vector<uint8_t> data = Lzw(pixels);
    g.push_back(static_cast<uint8_t>(data.size()));
    g.insert(g.end(), data.begin(), data.end());
    g.insert(g.end(), {0, 0x3B});
    return g;
}

void BM_FetchLargeScreenGif(benchmark::State& state) {
    static TViewerImagesUse images;
    const std::vector<uint8_t> bytes = LargeScreenBytes();
    for (auto _ : state) {
        BitmapList().Clear();
        gfx::MemoryStream stream(bytes);
        int transparent = 1;
        TFetchedImage fetched =
            FetchImage("large.gif", [&](const std::string&) -> gfx::Stream* { return &stream; }, transparent);
        if (!fetched.Image || !fetched.Mask) state.SkipWithError("the picture did not load with a mask");
        benchmark::DoNotOptimize(fetched.Mask->bits());
    }
    BitmapList().Clear();
    state.SetItemsProcessed(state.iterations() * LargeScreen * LargeScreen);
}
BENCHMARK(BM_FetchLargeScreenGif)->Unit(benchmark::kMillisecond);

void BM_WriteAndCopyScreenBytes(benchmark::State& state) {
    const std::size_t size = std::size_t{LargeScreen} * LargeScreen * 3;
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> screen(new uint8_t[size]);
        std::memset(screen.get(), 0, size);
        for (int copy = 0; copy < 3; ++copy) {
            std::unique_ptr<uint8_t[]> other(new uint8_t[size]);
            std::memcpy(other.get(), screen.get(), size);
            benchmark::DoNotOptimize(other.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * LargeScreen * LargeScreen);
}
BENCHMARK(BM_WriteAndCopyScreenBytes)->Unit(benchmark::kMillisecond);

// About 1 MB of help-file markup: headings, paragraphs with links and
// entities, option tables, lists, comments and preformatted text.
const std::string& HelpDocument() {
    static const std::string doc = [] {
        std::string d = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML><HEAD><TITLE>Help</TITLE></HEAD>"
                        "<BODY BGCOLOR=\"#FFFFFF\" TEXT=black LINK=#0000C0>\r\n";
        for (int i = 0; d.size() < 1000000; ++i) {
            const std::string n = std::to_string(i);
            d += "<H2><A NAME=\"topic" + n + "\">Topic " + n + "</A></H2>\r\n<!-- section " + n + " -->\r\n";
            d += "<P ALIGN=left>The <B>material</B> page sets the colours &amp; maps of the selected "
                 "materials; see <A HREF=\"#topic" + n + "\">this topic</A> and the <I>preview</I> &#8212; "
                 "caf&eacute; &nbsp; r&eacute;sum&eacute;.\r\nLines wrap    with   spaces\tand tabs.</P>\r\n";
            d += "<TABLE BORDER=1 CELLPADDING=\"4\" WIDTH=90%><TR><TH>Option</TH><TH>Value</TH></TR>"
                 "<TR><TD VALIGN=top>Scale</TD><TD>1.0 &lt; x &lt; 10</TD></TR></TABLE>\r\n";
            d += "<UL><LI>One<LI>Two<LI><IMG SRC=\"images/icon" + n + ".gif\" ALT=\"icon\" WIDTH=16 HEIGHT=16></UL>\r\n";
            d += "<PRE>  camera { location <0, 1, -5> }\r\n</PRE>\r\n";
        }
        return d + "</BODY></HTML>\r\n";
    }();
    return doc;
}

void BM_TokenizeHelpDocument(benchmark::State& state) {
    const std::string& doc = HelpDocument();
    for (auto _ : state) {
        ThlParser parser(doc);
        parser.Begin();
        int tokens = 0;
        for (parser.NextToken(); parser.Sy != Sym::Eof; parser.NextToken()) ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_TokenizeHelpDocument)->Unit(benchmark::kMillisecond);

// The floor: one pass over the bytes that classifies each one.
void BM_ScanHelpDocumentBytes(benchmark::State& state) {
    const std::string& doc = HelpDocument();
    for (auto _ : state) {
        int markup = 0;
        for (char c : doc) markup += (c == '<') + (c == '&') + (c == '\r');
        benchmark::DoNotOptimize(markup);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ScanHelpDocumentBytes)->Unit(benchmark::kMillisecond);

void BM_BuildHelpDocument(benchmark::State& state) {
    const std::string& doc = HelpDocument();
    for (auto _ : state) {
        TSectionList document;
        TAnchorList anchors;
        ThlParser parser(doc);
        parser.ParseHtml(document, anchors);
        benchmark::DoNotOptimize(document.Count());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_BuildHelpDocument)->Unit(benchmark::kMillisecond);

void BM_BuildAndLayOutHelpDocument(benchmark::State& state) {
    const std::string& doc = HelpDocument();
    gfx::RecordingCanvas canvas;
    for (auto _ : state) {
        TSectionList document;
        document.ShowImages = false;
        TAnchorList anchors;
        ThlParser parser(doc);
        parser.ParseHtml(document, anchors);
        int curs = 0, maxWidth = 0;
        benchmark::DoNotOptimize(document.LayOutContent(canvas, 0, 800, curs, maxWidth));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_BuildAndLayOutHelpDocument)->Unit(benchmark::kMillisecond);

}  // namespace
