#include <QLabel>

#include "ui/main/Pages.h"
#include "ui/qt/PageBuilder.h"

void BuildLightDomePage(PageBuilder& b) {
    b.ToolBar({B("ToolButton16", "Help")});
    b.Column();
    b.Group("");
    b.Line({B("Button40", "Load probe (*.PFM)..."), B("Button41", "Save probe as map..."),
            B("Button25", "Start HDR Shop...")});
    b.Row({T("+90"), Img("Image3", 360, 180).Rows(3).Span(3)});
    b.Row({T("Elev")});
    b.Row({T("-90")});
    b.Row({T(""), T("0"), T("Azimuth"), T("360")});
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
