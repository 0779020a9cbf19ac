// A stand-in for the program's HTML list box until it exists: a list whose
// items are the small HTML texts of the group list (links around pictures
// of the main window's image list, then the name). A click on a link
// reports the item and the link's target.
#pragma once

#include <QListWidget>

class Binder;
struct thtmllistbox;

class HtmlListStandIn : public QListWidget {
public:
    // Shows `record` and reports to `binder` as "Form1.<name>.AnchorClick"
    // and "Form1.<name>.DblClick".
    HtmlListStandIn(Binder& binder, thtmllistbox& record, const std::string& name, QWidget* parent);
    // The record's items, selection, enabled and visible state.
    void Refresh();
    // The link target at a point of the list; empty when there is none.
    QString AnchorAt(const QPoint& point, int& item) const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Binder& binder_;
    thtmllistbox& record_;
    std::string name_;
};

// The pictures "idx:25" (visible), "idx:59" (hidden), "idx:58" (casts
// shadow) and "idx:57" (no shadow) of the main window's image list.
QPixmap ImageListPicture(int index);
