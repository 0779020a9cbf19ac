#include <QGridLayout>
#include <QLabel>

#include "ui/main/Pages.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"
#include "ui/qt/Widgets.h"

namespace {

// The probe image (Image3) with its axes: the elevation from +90 at the top
// to -90 at the bottom, the azimuth from 0 at the left to 360 at the right.
QWidget* MakeProbeFrame(PageBuilder& b) {
    auto* frame = new QWidget(b.Page());
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    const auto text = [frame](const char* caption) { return new QLabel(QString::fromLatin1(caption), frame); };
    grid->addWidget(text("+90"), 0, 0, Qt::AlignTop);
    grid->addWidget(text("Elev"), 1, 0, Qt::AlignVCenter);
    grid->addWidget(text("-90"), 2, 0, Qt::AlignBottom);
    auto* image = new ClickLabel(frame);
    image->setFixedSize(360, 180);
    image->setFrameShape(QFrame::Box);
    image->setAlignment(Qt::AlignCenter);
    b.Bindings().BindState("Form1.Image3", image, nullptr);
    grid->addWidget(image, 0, 1, 3, 3, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(text("0"), 3, 1, Qt::AlignLeft);
    grid->addWidget(text("Azimuth"), 3, 2, Qt::AlignHCenter);
    grid->addWidget(text("360"), 3, 3, Qt::AlignRight);
    grid->setColumnStretch(4, 1);
    return frame;
}

}  // namespace

void BuildLightDomePage(PageBuilder& b) {
    b.ToolBar({B("ToolButton16", "Help")});
    b.Column();
    b.Group("");
    b.Line({B("Button40", "Load probe (*.PFM)..."), B("Button41", "Save probe as map..."),
            B("Button25", "Start HDR Shop...")});
    b.RowWidget(MakeProbeFrame(b), 4);
    b.Row({Wide("Memo3").Height(120).Span(4)});
    b.Line({B("Button35", "<< Extract Lights into scene"), B("Button14", "<< Set as background...")});
    // The legend of the marks on the probe, in their colours.
    auto* legend = new QLabel(QStringLiteral("<span style=\"color:#FF0000\">&#9675;</span> Light with shadow"
                                             "&nbsp;&nbsp; <span style=\"color:#E0C000\">&#9675;</span> "
                                             "Light with no shadow"));
    b.RowWidget(legend, 4);
    b.Row({N("Edit21")});
    b.ColumnStretch();
    b.Column(1);
    b.Group("Light Properties");
    b.Row({C("Edit104")});
    b.Row({C("Edit63"), N("UpDown2")});
    b.Line({C("CheckBox76")});
    b.Row({C("Edit45")});
    b.Line({C("CheckBox49")});
    b.Line({C("CheckBox29")});
    b.Line({C("CheckBox58")});
    b.Line({C("CheckBox75"), N("Edit114")});
    b.Line({C("CheckBox74")});
    // The search region and the colour range take no part in the extraction
    // and stay hidden.
    b.Group("");
    b.Row({N("Edit100"), N("Edit101"), N("Edit102"), N("Edit103")});
    b.Row({C("Label171"), C("Label174"), N("Edit98"), N("Edit22")});
    b.ColumnStretch();
}
