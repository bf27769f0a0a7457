#include "platform/name_extension.h"

#include <QString>
#include <gtest/gtest.h>
#include <string>

using namespace tarnwick;

TEST(NameExtension, LastDotOnlyForTextsAndNameBytes) {
    struct Case {
        const char* name;
        const char* ext;
    } cases[] = {
        {"photo.jpg", ".jpg"}, {"IMG.JPG", ".JPG"},   {"archive.tar.gz", ".gz"},
        {"noext", ""},         {".jpg", ".jpg"},      {"trail.", "."},
        {"a.b\\c", ""},        {"a.b:c", ""},         {"x:y.z", ".z"},
        {"", ""},              {"caf\xC3\xA9.\xC3\x89X", ".\xC3\x89X"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameExtension(QString::fromUtf8(c.name)).toString(), QString::fromUtf8(c.ext))
            << c.name;
        EXPECT_EQ(std::string(NameExtension(std::string_view(c.name))), c.ext) << c.name;
    }
}

TEST(NameExtension, APathsExtensionComesFromItsLastPart) {
    struct Case {
        const char* path;
        const char* ext;
    } cases[] = {
        {"/out/list.txt", ".txt"}, {"/my.data/list", ""},  {"/out/list.", "."},
        {"/out/a.b:c", ""},        {"list.csv", ".csv"},   {"/t.d/", ""},
        {"/opt/.hidden", ".hidden"}, {"D:\\Tools\\app.exe", ".exe"}, {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathExtension(QString::fromUtf8(c.path)).toString(), QString::fromUtf8(c.ext))
            << c.path;
}
