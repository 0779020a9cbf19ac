// The dialogs around loading and saving: export options (Form2), the
// Poser scene import (Form3), the directory choice (Form6) and the DAZ
// Studio scene import (Form7). Each is modal, of fixed size, and ends when a
// handler sets its record's modal result.
#pragma once

#include <QDialog>

class Binder;
class QComboBox;
class QFileSystemModel;
class QTreeView;

// "Export options".
QDialog* MakeExportOptionsDialog(Binder& binder, QWidget* parent);
// "Poser scene import".
QDialog* MakePoserImportDialog(Binder& binder, QWidget* parent);
// "DAZ|Studio scene import".
QDialog* MakeDazImportDialog(Binder& binder, QWidget* parent);

// "Select directory": a list of the mounted drives and the folder tree of
// the chosen one; the folder picked is Form6.directory.
class SelectDirectoryDialog : public QDialog {
public:
    SelectDirectoryDialog(Binder& binder, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    QComboBox* drives_;
    QTreeView* folders_;
    QFileSystemModel* model_;
};
