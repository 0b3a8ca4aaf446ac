// A small installation folder for the document builder: stock template and forms,
// a project with two sources whose chart pages are simple metafiles, a figure list
// and a definition file, all written the way the Word output run writes them.
#pragma once

#include <string>
#include <vector>

namespace docbuild_test {

struct FixtureSource {
    std::string title;
    std::string stem;  // chart file name without extension, in the data folder
    int pages;
};

struct Fixture {
    std::string install;   // installation folder
    std::string data;      // project data folder
    std::string project;   // project file
    std::string output;    // output document as the record names it (".doc")
    std::vector<FixtureSource> sources{{"conveyor.klg", "conveyor", 2}, {"sub/press.log", "press", 1}};
    bool roman = false;
    bool visible = false;

    // Creates the folders, the stock files and the pictures under `root`.
    void create(const std::string& root);
    // Writes the figure list and the definition file; `targets` lists type codes in
    // document order ("CVP", "IDX", "TCT").
    void writeDefinition(const std::vector<std::string>& targets, const std::vector<std::string>& extraLines = {});
    std::string figureList() const;
    std::string progressFile() const;
    std::string documentPath() const;  // the ".docx" the builder writes
};

// A placeable metafile of `w` × `h` units at 1440 units per inch with a frame and a
// diagonal, or garbage when `valid` is false.
std::string makeMetafile(int w, int h, bool valid = true);

// Lines of a CP932 CR LF file as UTF-8, or an empty list when it is missing.
std::vector<std::string> readProgress(const std::string& path, bool* crlf = nullptr);

std::string makeTempDir();
std::string readAll(const std::string& path);

}  // namespace docbuild_test
