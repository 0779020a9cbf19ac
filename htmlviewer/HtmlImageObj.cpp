#include "htmlviewer/HtmlImageObj.h"

#include <algorithm>
#include <cstdlib>

#include "htmlviewer/GifImage.h"
#include "model/TextConv.h"
#include "platform/gfx/Arith.h"

namespace {

// The font of the ALT text of a missing image.
gfx::FontSpec AltFont() {
    gfx::FontSpec font;
    font.family = "Arial";
    font.size = 8;
    font.color = PaletteRelative(gfx::clBlack);
    return font;
}

}  // namespace

TImageObj::TImageObj(TSectionList* document, int pos, const TAttributeList& attributes)
    : Pos(pos), Document(document) {
    bool hspaceGiven = false;
    for (const auto& a : attributes) {
        switch (a->AttrSymbol) {
        case AttrSym::Src: Source = Trim(a->Name); break;
        case AttrSym::Alt: Alt = a->Name; break;
        case AttrSym::Align: {
            const std::string v = UpperCase(a->Name);
            if (v == "TOP")
                ObjAlign = ATop;
            else if (v == "MIDDLE" || v == "ABSMIDDLE")
                ObjAlign = AMiddle;
            else if (v == "LEFT")
                ObjAlign = ALeft;
            else if (v == "RIGHT")
                ObjAlign = ARight;
            break;
        }
        case AttrSym::HSpace:
            HSpace = std::min(MaxSpace, std::abs(a->Value));
            hspaceGiven = true;
            break;
        case AttrSym::VSpace: VSpace = std::min(MaxSpace, std::abs(a->Value)); break;
        case AttrSym::Height: GivenHeight = std::max(1, a->Value); break;
        case AttrSym::Width:
            if (a->Name.find('%') != std::string::npos) {
                if (a->Value >= 1 && a->Value <= 100) {
                    GivenWidth = a->Value;
                    PercentWidth = true;
                }
            } else if (a->Value > 0) {
                GivenWidth = a->Value;
            }
            break;
        case AttrSym::Border: NoBorder = a->Value == 0; break;
        case AttrSym::IsMap: IsMap = true; break;
        case AttrSym::UseMap: {
            UseMap = true;
            MapName = UpperCase(Trim(a->Name));
            if (!MapName.empty() && MapName[0] == '#') MapName.erase(0, 1);
            break;
        }
        case AttrSym::Transp: Transparent = 1; break;
        case AttrSym::Active: Active = true; break;
        default: break;
        }
    }
    if (!hspaceGiven && IsFloat()) HSpace = FloatHSpace;
}

TImageObj::~TImageObj() {
    if (Gif_) std::erase(Document->AGifList, Gif_.get());
    if (!CacheName.empty()) BitmapList().DecUsage(CacheName);
}

const gfx::Graphic* TImageObj::Picture() const {
    switch (State_) {
    case State::Real: return Gif_ ? static_cast<const gfx::Graphic*>(Gif_.get()) : Image.get();
    case State::Error: return &BrokenImageBitmap();
    default: return &PendingImageBitmap();
    }
}

void TImageObj::TakePicture(std::shared_ptr<gfx::Graphic> image, std::shared_ptr<const gfx::Bitmap> mask,
                            bool fromCache) {
    if (Gif_) std::erase(Document->AGifList, Gif_.get());
    Gif_.reset();
    Image = std::move(image);
    Mask = std::move(mask);
    if (auto* gif = dynamic_cast<TGIFImage*>(Image.get()); gif && gif->Animated) {
        // Each document animates its own copy of an image it shares.
        Gif_ = fromCache ? std::shared_ptr<TGIFImage>(gif->CreateCopy()) : std::shared_ptr<TGIFImage>(Image, gif);
        if (Active) {
            Gif_->SetAnimate(false);
        } else {
            Gif_->SetAnimate(true);
            Document->AGifList.push_back(Gif_.get());
        }
    }
    State_ = State::Real;
}

void TImageObj::Fetch() {
    const std::string name = Document->ImageName(Source);
    for (const TDelayedImage& d : Document->MissingImages)
        if (d.Name == name) {
            State_ = State::Default;
            Document->MissingImages.push_back({name, this});
            return;
        }
    int transparent = Transparent;
    TFetchedImage fetched = FetchImage(name, Document->GetImage, transparent);
    if (fetched.Delayed) {
        State_ = State::Default;
        Document->MissingImages.push_back({name, this});
        return;
    }
    if (!fetched.Image) {
        State_ = State::Error;
        Transparent = 1;
        return;
    }
    CacheName = name;
    Transparent = transparent;
    TakePicture(std::move(fetched.Image), std::move(fetched.Mask), fetched.FromCache);
}

void TImageObj::InsertImage(std::shared_ptr<gfx::Graphic> image, std::shared_ptr<const gfx::Bitmap> mask) {
    if (!image) {
        State_ = State::Error;
        return;
    }
    TakePicture(std::move(image), std::move(mask), true);
    SizeFixed = false;
}

void TImageObj::SetSize(gfx::Canvas& canvas, int availableWidth) {
    // While images are not shown the image shows the default picture and
    // stays unfetched, so that it is fetched once they are shown.
    if (Document->ShowImages && State_ == State::NotFetched) Fetch();
    const gfx::Graphic* picture = Picture();
    const int naturalWidth = picture ? picture->width() : 0;
    const int naturalHeight = picture ? picture->height() : 0;
    if (!SizeFixed) {
        const bool givenWidth = GivenWidth > 0 && !PercentWidth;
        if (State_ != State::Real) {
            if (givenWidth && GivenHeight > 0) {
                ObjWidth = GivenWidth;
                ObjHeight = GivenHeight;
                SizeFixed = true;
            } else {
                ObjWidth = naturalWidth;
                ObjHeight = naturalHeight;
            }
        } else if (PercentWidth) {
            ObjWidth = std::max(0, gfx::mulDiv(availableWidth, GivenWidth, 100));
            ObjHeight = GivenHeight > 0 ? GivenHeight : naturalHeight;
        } else {
            if (givenWidth && GivenHeight > 0) {
                ObjWidth = GivenWidth;
                ObjHeight = GivenHeight;
            } else if (givenWidth) {
                ObjWidth = GivenWidth;
                ObjHeight = naturalWidth > 0 ? gfx::mulDiv(naturalHeight, GivenWidth, naturalWidth) : naturalHeight;
            } else if (GivenHeight > 0) {
                ObjHeight = GivenHeight;
                ObjWidth = naturalHeight > 0 ? gfx::mulDiv(naturalWidth, GivenHeight, naturalHeight) : naturalWidth;
            } else {
                ObjWidth = naturalWidth;
                ObjHeight = naturalHeight;
            }
            SizeFixed = true;
        }
        if (State_ != State::Real && !SizeFixed) {
            // Room for the ALT text beside the picture, at least 24 x 24.
            const gfx::FontSpec saved = canvas.font();
            canvas.setFont(AltFont());
            const gfx::Size alt = canvas.textExtent(CanvasText(Alt));
            canvas.setFont(saved);
            ObjWidth = std::max(ObjWidth, alt.width + 2 + 24);
            ObjHeight = std::max(ObjHeight, std::max(24, alt.height));
        }
    }
    const int border = HasBorder ? 2 : 0;
    ImageWidth = ObjWidth + border;
    ImageHeight = ObjHeight + border;
}

void TImageObj::Draw(gfx::Canvas& canvas, int x, int y, int cellX, gfx::Color borderColor) {
    const int inset = HasBorder ? 1 : 0;
    const int ix = x + inset, iy = y + inset;
    DrawX = ix - cellX;
    DrawY = iy + Document->ScrollY;
    Drawn = true;
    if (HasBorder) canvas.frameRect({x, y, x + ImageWidth, y + ImageHeight}, borderColor);
    const gfx::Rect box{ix, iy, ix + ObjWidth, iy + ObjHeight};
    if (State_ == State::Real) {
        if (Gif_) {
            Gif_->ShowIt = true;
            Gif_->Draw(canvas, ix, iy, ObjWidth, ObjHeight);
        } else if (auto* bitmap = dynamic_cast<const gfx::Bitmap*>(Image.get()); bitmap && Mask) {
            canvas.stretchBitmapMasked(box, *bitmap, *Mask, {0, 0, bitmap->width(), bitmap->height()});
        } else if (Image) {
            Image->draw(canvas, box);
        }
        return;
    }
    // A picture that is missing or on its way: a sunken box with the
    // default or error picture and the ALT text.
    canvas.pushClip(box);
    RaisedRect(canvas, box, false, Document->Background);
    const ThtBitmap& picture = State_ == State::Error ? BrokenImageBitmap() : PendingImageBitmap();
    picture.draw(canvas, gfx::rectOfSize(ix + 4, iy + 4, picture.width(), picture.height()));
    if (!Alt.empty()) {
        canvas.setFont(AltFont());
        canvas.setBrushStyle(gfx::BrushStyle::Clear);
        WrapTextW(canvas, {ix + 24, iy + 4, box.right - 2, box.bottom - 2}, Alt);
    }
    canvas.popClip();
}

bool TImageObj::Contains(int x, int y) const {
    return Drawn && x >= DrawX && x < DrawX + ObjWidth && y >= DrawY && y < DrawY + ObjHeight;
}

void TImageObj::SetHover(bool over) {
    Hover = over;
    if (!Active || !Gif_ || !Gif_->Animated) return;
    std::vector<TGIFImage*>& list = Document->AGifList;
    if (over) {
        if (!Gif_->Animate()) {
            Gif_->SetAnimate(true);
            if (std::find(list.begin(), list.end(), Gif_.get()) == list.end()) list.push_back(Gif_.get());
        }
    } else {
        Gif_->SetAnimate(false);
        Gif_->SetCurrentFrame(1);
        std::erase(list, Gif_.get());
    }
}
