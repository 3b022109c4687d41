#pragma once
// The about box: icon, name and version, the maker, and the terms of the licence.

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Identifiers of the box's controls; each widget's object name is its number.
    static constexpr int IDC_ICON = 1013;
    static constexpr int IDC_WEB_ADDRESS = 1012;
    static constexpr int IDOK_BUTTON = 1;
};
