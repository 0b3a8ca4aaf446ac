// A throw-away installation folder with a parameter file and a small project, and a
// frame on it whose services record boxes and shell opens instead of showing them.
#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "base/services.h"
#include "mainframe.h"
#include "qtservices.h"
#include "app/shell.h"
#include "app/users.h"

struct RecordedBox {
    int kind;
    bool warning;
    std::string caption;
    std::string text;
};

// Writes a file (UTF-8 text is converted to CP932 when `cp932` is set).
void writeText(const std::string& path, const std::string& text, bool cp932 = true);
// A project file with the given [Sources] lines.
void writeProject(const std::string& path, const std::vector<std::string>& sources, const std::string& base = "");

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir() const { return tmp.path().toStdString(); }
    std::string path(const std::string& rel) const { return dir() + "/" + rel; }
    // A project "demo" with a.log, b.klg and note.txt in Projects/demo.
    std::string makeDemoProject();

    QTemporaryDir tmp;
    app::MemoryLogonStore logon;
    app::AppCore core;
    appqt::QtServices services;
    std::unique_ptr<base::ScopedServices> installed;
    std::unique_ptr<appqt::MainFrame> frame;
    std::vector<RecordedBox> boxes;
    std::vector<std::string> opened;
    bool openResult = true;
};
