#include "ui/about_dlg.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

QStringList LabelTexts(const CAboutDlg& about) {
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

TEST(AboutDlgTest, ShowsNameVersionMakerAndTerms) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Querimo");
    EXPECT_EQ(about.size(), QSize(336, 206));
    QStringList texts = LabelTexts(about);
    EXPECT_TRUE(texts.contains("Querimo Version 4.0"));
    EXPECT_EQ(texts.filter("Brenlow Ltd").size(), 1);
    EXPECT_EQ(texts.filter("MIT").size(), 1);
    auto* web = about.findChild<QLabel*>(QString::number(CAboutDlg::IDC_WEB_ADDRESS));
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->textFormat(), Qt::PlainText);
    EXPECT_FALSE(web->openExternalLinks());
    auto* icon = about.findChild<QLabel*>(QString::number(CAboutDlg::IDC_ICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = about.findChild<QPushButton*>(QString::number(CAboutDlg::IDOK_BUTTON));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
}

// The template's places are fixed; a text that does not fit them would be cut off.
TEST(AboutDlgTest, EveryTextFitsItsPlace) {
    CAboutDlg about;
    about.show();
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) {
            continue;
        }
        QRect needed = label->fontMetrics().boundingRect(
            QRect(0, 0, label->wordWrap() ? label->width() : 10000, 10000),
            Qt::TextWordWrap * label->wordWrap(), label->text());
        EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
        EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
    }
}

TEST(AboutDlgTest, MakerLineMatchesTheLicence) {
    std::string licence = ReadFileBytes(QUERIMO_SOURCE_DIR "/LICENSE");
    EXPECT_EQ(licence.rfind("MIT License\n", 0), 0u);
    CAboutDlg about;
    QString maker = LabelTexts(about).filter("Brenlow Ltd").value(0);
    // "Copyright (C) 2026 Brenlow Ltd" in the box is "Copyright (c) 2026 Brenlow Ltd" there.
    EXPECT_NE(licence.find(maker.replace("(C)", "(c)").toStdString()), std::string::npos);
}

TEST(AboutDlgTest, OkEndsTheBox) {
    CAboutDlg about;
    about.open();
    ASSERT_TRUE(about.isVisible());
    QTest::mouseClick(about.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
