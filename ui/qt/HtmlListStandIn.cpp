#include "ui/qt/HtmlListStandIn.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>

#include "ui/options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtText.h"

namespace {

constexpr int IconSize = 16;

// An item's text as a laid-out document with the image list's pictures.
void MakeDocument(QTextDocument& doc, const QString& html, const QFont& font) {
    doc.setDefaultFont(font);
    doc.setDocumentMargin(1);
    for (int index : {25, 57, 58, 59})
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("idx:%1").arg(index)),
                        ImageListPicture(index));
    doc.setHtml(html);
}

class HtmlItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString html = opt.text;
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        QTextDocument doc;
        MakeDocument(doc, html, opt.font);
        painter->save();
        painter->translate(opt.rect.topLeft());
        doc.drawContents(painter);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QTextDocument doc;
        MakeDocument(doc, index.data().toString(), option.font);
        return {static_cast<int>(doc.idealWidth()), std::max(IconSize + 4, static_cast<int>(doc.size().height()))};
    }
};

}  // namespace

QPixmap ImageListPicture(int index) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case 25:  // visible: an open eye
        case 59:  // hidden: a closed eye
            p.setPen(QPen(Qt::black, 1.2));
            p.setBrush(index == 25 ? Qt::white : Qt::lightGray);
            p.drawEllipse(QRectF(1.5, 4.5, 13, 7));
            if (index == 25) {
                p.setBrush(QColor(30, 90, 200));
                p.drawEllipse(QRectF(5.5, 5, 5, 6));
            } else {
                p.drawLine(QPointF(2, 14), QPointF(14, 2));
            }
            break;
        case 58:  // casts shadow: a ball with its shadow
        case 57:  // no shadow: the ball alone
            if (index == 58) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(60, 60, 60));
                p.drawEllipse(QRectF(3, 11, 12, 4));
            }
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(250, 200, 60));
            p.drawEllipse(QRectF(3, 1.5, 9, 9));
            break;
        default: break;
    }
    return pixmap;
}

HtmlListStandIn::HtmlListStandIn(Binder& binder, thtmllistbox& record, const std::string& name, QWidget* parent)
    : QListWidget(parent), binder_(binder), record_(record), name_(name) {
    setItemDelegate(new HtmlItemDelegate(this));
    setMouseTracking(true);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!binder_.Refreshing()) record_.index = row;
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { binder_.Run(name_ + ".DblClick"); });
}

void HtmlListStandIn::Refresh() {
    if (testAttribute(Qt::WA_Disabled) == record_.enabled) setEnabled(record_.enabled);
    if (isHidden() == record_.visible) setHidden(!record_.visible);
    const QSignalBlocker block(this);
    bool same = count() == static_cast<int>(record_.items.size());
    for (int i = 0; same && i < count(); ++i) same = item(i)->text() == ToQ(record_.items[static_cast<std::size_t>(i)]);
    if (!same) {
        clear();
        for (const std::string& text : record_.items) addItem(ToQ(text));
    }
    if (currentRow() != record_.index) setCurrentRow(record_.index);
}

QString HtmlListStandIn::AnchorAt(const QPoint& point, int& itemIndex) const {
    const QListWidgetItem* hit = itemAt(point);
    itemIndex = hit ? row(hit) : -1;
    if (!hit) return {};
    QTextDocument doc;
    MakeDocument(doc, hit->text(), font());
    return doc.documentLayout()->anchorAt(point - visualItemRect(hit).topLeft());
}

void HtmlListStandIn::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    int itemIndex = -1;
    const QString anchor = AnchorAt(event->position().toPoint(), itemIndex);
    if (anchor.isEmpty()) return;
    record_.clickedItem = itemIndex;
    record_.clickedAnchor = FromQ(anchor);
    binder_.Run(name_ + ".AnchorClick");
}
