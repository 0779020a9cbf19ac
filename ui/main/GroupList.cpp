#include "ui/main/GroupList.h"

#include <memory>

#include "htmllistbox/GroupListIcons.h"
#include "htmllistbox/HtmlListBox.h"
#include "options/Options.h"
#include "platform/gfx/ImageList.h"
#include "ui/qt/Binder.h"

namespace {

// The list box with the image list it draws its icons from (ImageList1 of
// the main window), which lives as long as the list.
class GroupListBox : public THtmlListBox {
public:
    explicit GroupListBox(QWidget* parent) : THtmlListBox(parent) {
        AddGroupListIcons(icons_);
        SetImages(&icons_);
    }
    ~GroupListBox() override { SetImages(nullptr); }

    // The record's items, selection and state, changing only what differs.
    void Refresh(const thtmllistbox& record) {
        if (testAttribute(Qt::WA_Disabled) == record.enabled) setEnabled(record.enabled);
        if (isHidden() == record.visible) setHidden(!record.visible);
        THtmlListItems& items = Items();
        const int count = static_cast<int>(record.items.size());
        if (items.Count() != count) {
            BeginUpdate();
            items.Clear();
            for (const std::string& text : record.items) items.Add(text);
            EndUpdate();
        } else {
            for (int i = 0; i < count; ++i)
                if (items[i] != record.items[static_cast<std::size_t>(i)])
                    items.Set(i, record.items[static_cast<std::size_t>(i)]);
        }
        if (ItemIndex() != record.index && record.index < count) SetItemIndex(record.index);
    }

private:
    gfx::ImageList icons_{16, 16};
};

}  // namespace

QWidget* MakeGroupList(Binder& binder, QWidget* parent) {
    auto* list = new GroupListBox(parent);
    thtmllistbox& record = Form1.HtmlListBox1;
    list->OnAnchorClick = [&binder, &record](int index, const std::string& anchor) {
        record.clickedItem = index;
        record.clickedAnchor = anchor;
        binder.Run("Form1.HtmlListBox1.AnchorClick");
    };
    list->OnClick = [&binder, &record, list] {
        record.index = list->ItemIndex();
        binder.Run("Form1.HtmlListBox1");
    };
    list->OnDblClick = [&binder, &record, list] {
        record.index = list->ItemIndex();
        binder.Run("Form1.HtmlListBox1.DblClick");
    };
    binder.BindCustom("Form1.HtmlListBox1", list, [list, &record] { list->Refresh(record); });
    return list;
}
