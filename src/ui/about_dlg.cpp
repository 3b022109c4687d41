#include "ui/about_dlg.h"

#include "ui/artwork.h"
#include "ui/dialog_units.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr const char* kVersionLine = "Querimo Version 4.0";
constexpr const char* kMakerLine = "Copyright (C) 2026 Brenlow Ltd";
constexpr const char* kWebAddress = "brenlow.test";
// The MIT licence in three short paragraphs; LICENSE holds its full text.
constexpr const char* kTermsGrant = "Querimo is free software under the MIT licence.";
constexpr const char* kTermsConditions =
    "Anyone may use, copy, modify, merge, publish, distribute, sublicense and sell copies, "
    "provided the copyright notice and the permission notice are included in all copies.";
constexpr const char* kTermsWarranty = "It is provided \"as is\", without warranty of any kind.";

QLabel* Text(QWidget* parent, const char* text, QRect units, bool wrap = false) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(querimo::DialogUnitsToPixels(units));
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Querimo"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(querimo::ApplicationIcon());
    setFixedSize(querimo::DialogUnitsToPixels(0, 0, 224, 127).size());
    setFont(querimo::DialogTemplateFont(font()));

    auto* icon = new QLabel(this);
    icon->setObjectName(QString::number(IDC_ICON));
    QRect iconRect = querimo::DialogUnitsToPixels(10, 10, 20, 20);
    icon->setGeometry(iconRect);
    icon->setPixmap(
        querimo::ApplicationIcon().pixmap(std::min(iconRect.width(), iconRect.height())));

    Text(this, kVersionLine, {35, 10, 119, 8});
    Text(this, kMakerLine, {35, 20, 127, 8});
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(IDOK_BUTTON));
    ok->setGeometry(querimo::DialogUnitsToPixels(180, 10, 32, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    Text(this, kWebAddress, {35, 30, 58, 9})->setObjectName(QString::number(IDC_WEB_ADDRESS));

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(querimo::DialogUnitsToPixels(7, 40, 210, 80));
    Text(this, kTermsGrant, {14, 46, 195, 19}, true);
    Text(this, kTermsConditions, {14, 64, 195, 33}, true);
    Text(this, kTermsWarranty, {14, 96, 195, 16}, true);
    ok->setFocus();
}
