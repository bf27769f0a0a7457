#include "cli_process.h"
#include "fixture_tree.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

Result RunCli(const QStringList& args, const QString& program = QStringLiteral(TARNWICK_CLI),
              const QStringList& prefix = {}) {
    QProcess p;
    p.start(prefix.isEmpty() ? program : prefix.front(),
            prefix.isEmpty() ? args : prefix.mid(1) + QStringList{program} + args);
    p.closeWriteChannel();
    Result r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

const std::string kCli = TARNWICK_CLI;
const std::string kHeader = "\"Source Folder\",\"New Folder\"\r\n";

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t eol; (eol = text.find('\n', start)) != std::string::npos; start = eol + 1)
        lines.push_back(text.substr(start, eol - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<QByteArray> SortedBodyLines(const QByteArray& csv) {
    std::vector<QByteArray> lines;
    for (const QByteArray& l : csv.split('\n'))
        lines.push_back(l);
    lines.erase(lines.begin()); // header
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

TEST(Cli, CsvLinesOnStandardOutputAndInTheFile) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/plain.jpg");
    tree.File("src/a b,c/say\"hi\".jpg");
    tree.File("src/t\tab/x.JPG");
    tree.File("src/caf\xE9/y.jpg");
    tree.File("src/skip.png");
    const std::string root = tree.Root();
    const QStringList args = {"--source", tree.PathText("src"), "--new-folder",
                              tree.PathText("out"), "--ext", ".jpg", "--mode", "asc",
                              "--delimiter", "+"};
    const Result r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(r.out.startsWith("\"Source Folder\",\"New Folder\"\r\n"));
    const QByteArray s = QByteArray::fromStdString(root + "/src"),
                     o = QByteArray::fromStdString(root + "/out");
    std::vector<QByteArray> expected = {
        "", // after the last CR LF
        s + "/plain.jpg," + o + "/plain.jpg\r",
        "\"" + s + "/a b,c/say\"\"hi\"\".jpg\",\"" + o + "/a b,c+say\"\"hi\"\".jpg\"\r",
        "\"" + s + "/t\tab/x.JPG\",\"" + o + "/t\tab+x.JPG\"\r",
        s + "/caf\xE9/y.jpg," + o + "/caf\xE9+y.jpg\r",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedBodyLines(r.out), expected);

    // --csv writes the same lines behind the byte-order mark; ".csv" is added.
    const Result f = RunCli(args + QStringList{"--csv", tree.PathText("list")});
    ASSERT_EQ(f.exitCode, 0) << f.err.toStdString();
    EXPECT_TRUE(f.out.isEmpty());
    const std::string file = TFixtureTree::Read(tree.Path("list.csv"));
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(SortedBodyLines(QByteArray::fromStdString(file.substr(3))), expected);
    // In copy mode too, nothing about the list changes.
    const Result c = RunCli(args + QStringList{"--copy"});
    EXPECT_EQ(c.exitCode, 0) << c.err.toStdString();
    EXPECT_EQ(SortedBodyLines(c.out), expected);
    EXPECT_TRUE(TFixtureTree::Exists(tree.Path("out/caf\xE9+y.jpg")));
}

TEST(Cli, NoSelectedFileGivesTheEmptyRow) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.png");
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--ext", ".jpg"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("\"Source Folder\",\"New Folder\"\r\n,\r\n"));
}

// Every command line gets its exit status, its standard output and its
// standard error; a usage error or a failed check writes nothing and says
// what is wrong in one line followed by the hint.
TEST(Cli, CommandLines) {
    TFixtureTree tree;
    tree.File("src/a.jpg", "A");
    tree.Dir("out");
    tree.Dir("out2");
    tree.Dir("lists");
    const std::string s = tree.Path("src"), o = tree.Path("out"), o2 = tree.Path("out2");
    const std::string row = kHeader + s + "/a.jpg," + o + "/a.jpg\r\n";
    const std::string noRow = kHeader + ",\r\n";
    const std::string version = std::string("tarnwick-cli ") + TARNWICK_VERSION + "\n";
    const std::string any = "\x01"; // standard output not compared
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;
        std::string err; // a part of standard error; empty: standard error is empty
    } cases[] = {
        {{"-s", s, "-n", o, "-e", ".jpg", "-m", "asc"}, 0, row, ""},
        {{"--source=" + s, "--new-folder=" + o, "--ext=.jpg", "--mode=asc"}, 0, row, ""},
        {{"-s" + s, "-n" + o, "-e.jpg", "-masc"}, 0, row, ""},
        {{"-m", "asc", "-n", o, "-s", s, "--"}, 0, row, ""},
        {{"-s", s, "-n", o, "-m", "asc", "-d", "-"}, 0, row, ""},
        {{"-s", s, "-n", o, "-m", "asc", "--delimiter=--"}, 0, row, ""},
        {{"-s", s, "-n", o, "-m", "md5", "-d", "/"}, 0, any, ""},
        {{"-s", s, "-n", o, "-e", "jpg"}, 0, noRow,
         "tarnwick-cli: warning: --ext 'jpg' selects no file: an extension begins with its dot"},
        {{"-s", s, "-n", o, "-e", ".tar.jpg"}, 0, noRow, "warning: --ext '.tar.jpg' selects no file"},
        {{"-s", tree.Path("no-source"), "-n", o}, 1, noRow, "no-source"},
        {{"-V"}, 0, version, ""},
        {{"--version"}, 0, version, ""},
        {{"-h"}, 0, any, ""},
        {{"--help"}, 0, any, ""},
        {{"-cs", s, "-n", o2, "-m", "asc"}, 0, kHeader + s + "/a.jpg," + o2 + "/a.jpg\r\n", ""},

        {{}, 2, "", "tarnwick-cli: --source and --new-folder are required\n"},
        {{"--bogus"}, 2, "", "unknown option '--bogus'"},
        {{"-s", s, "-n", o, "-x"}, 2, "", "unknown option '-x'"},
        {{"--sou", s, "-n", o}, 2, "", "unknown option '--sou'"},
        {{"--source"}, 2, "", "option '--source' needs a value\n"},
        {{"-s", s, "-n", o, "-e"}, 2, "", "option '-e' needs a value\n"},
        {{"-s", s, "-n", o, "--ext", "--copy"}, 2, "",
         "option '--ext' needs a value, but '--copy' follows it"},
        {{"-s", s, "-n", o, "-e", "-c"}, 2, "", "option '-e' needs a value, but '-c' follows it"},
        {{"-s", s, "-n", o, "-o", "--null"}, 2, "", "'--null' follows it"},
        {{"-s", s, "-n", o, "-m", "asc", "-d", "--"}, 2, "", "'--' follows it"},
        {{"-s", s, "-s", s, "-n", o}, 2, "", "option '--source' is given more than once"},
        {{"--source=" + s, "-s", s, "-n", o}, 2, "", "option '--source' is given more than once"},
        {{"-s", s, "-n", o, "-c", "--copy"}, 2, "", "option '--copy' is given more than once"},
        {{"-s", s, "-n", o, "-e", ".jpg", "-e", ".png"}, 2, "", "'--ext' is given more than once"},
        {{"-s", s, "-n", o, "--mode", "sideways"}, 2, "", "unknown mode 'sideways'"},
        {{"-s", s, "-n", o, "--copy=yes"}, 2, "", "'--copy'"},
        {{"-s", s, "-n", o, "-f", "xml"}, 2, "", "unknown format 'xml'"},
        {{"-s", s, "-n", o, "-0", "-f", "json"}, 2, "", "--null and --format cannot be used together"},
        {{"-s", s, "-n", o, "-k"}, 2, "", "--verify checks copies: it needs --copy"},
        {{"-s", s, "-n", o, "--csv="}, 2, "", "--csv needs a file name"},
        {{"-s", s, "-n", o, "-o", tree.Path("lists") + "/"}, 2, "", "names a folder"},
        {{"-s", s, "-n", o, "-o", tree.Path("lists")}, 2, "", "names a folder"},
        {{"-s", s, "-n", o, "-o", tree.Path("new-list/")}, 2, "", "names a folder"},
        {{"-s", s, "-n", o, "stray"}, 2, "", "unexpected argument 'stray'"},
        {{"-s", s, "-n", o, "--", "-c"}, 2, "", "unexpected argument '-c'"},
        {{"-s", s, "-n", s, "-c"}, 2, "", "must be different folders"},
        {{"-s", s, "-n", "", "-c"}, 2, "", "no new folder given"},
        {{"-s", s, "-n", tree.Path("missing"), "-c"}, 2, "", "the new folder does not exist"},
        {{"-s", s, "-n", o, "-m", "asc", "-d", "/", "-c"}, 2, "", "the delimiter holds a character"},
        {{"-s", s, "-n", o, "-m", "desc", "-d", "a:b", "-c"}, 2, "", "the delimiter holds"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += "[" + a + "] ";
        const TCliResult r = RunProgram(kCli, c.args);
        EXPECT_EQ(r.exitCode, c.code) << line << r.err;
        if (c.out != any) {
            EXPECT_EQ(r.out, c.out) << line;
        }
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "") << line;
        } else {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << line << "\n" << r.err;
        }
        if (c.code == 2) {
            const std::vector<std::string> lines = Lines(r.err);
            ASSERT_EQ(lines.size(), 2u) << line << r.err;
            EXPECT_EQ(lines[0].rfind("tarnwick-cli: ", 0), 0u) << line;
            EXPECT_EQ(lines[1], "Try 'tarnwick-cli --help' for more information.") << line;
            EXPECT_EQ(Names(o), std::vector<std::string>{}) << line;
            EXPECT_EQ(Names(tree.Path("lists")), std::vector<std::string>{}) << line;
        }
    }
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out2/a.jpg")), "A");
    EXPECT_FALSE(TFixtureTree::Exists(tree.Path("new-list.csv")));

    const TCliResult help = RunProgram(kCli, {"--help"});
    EXPECT_EQ(help.out.rfind("Usage: tarnwick-cli -s DIR -n DIR [OPTION]...\n", 0), 0u);
    EXPECT_EQ(RunProgram(kCli, {"-h"}).out, help.out);
    for (const char* part : {"--format json", "repeats_row", "source_bytes", "base64",
                             "copy failed", "will not be copied", "replaces a file",
                             "repeats row N", "128+N", "143 SIGTERM"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
}

TEST(Cli, FailedCopiesExitOneAndAreListed) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.jpg", "a");
    tree.Link("src/b.jpg", tree.Path("src/gone")); // its copy cannot open the source
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--mode", "asc", "--copy"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("copy failed"));
    EXPECT_TRUE(r.err.contains("/src/b.jpg"));
    EXPECT_FALSE(r.err.contains("/src/a.jpg"));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a.jpg")), "a");
    EXPECT_EQ(r.out.count('\n'), 3);
    EXPECT_TRUE(r.err.endsWith("tarnwick-cli: 1 copy failed\n")) << r.err.toStdString();
}

TEST(Cli, UnwritableCsvFileExitsOne) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--csv", tree.PathText("no/such/list.csv")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot write"));
}

// A folder that cannot be listed is named on standard error, the walk goes
// on, and the exit status says that something was left out.
TEST(Cli, UnreadableFolderIsReportedAndExitsOne) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root to run the program as another user";
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/ok.jpg");
    tree.File("src/locked/secret.jpg");
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.Path("src/locked").c_str(), 0700), 0);
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out")},
                            QStringLiteral(TARNWICK_CLI),
                            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                             "--clear-groups"});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("/src/ok.jpg"));
    EXPECT_FALSE(r.out.contains("secret"));
    EXPECT_TRUE(r.err.contains("/src/locked")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("1 folder could not be listed")) << r.err.toStdString();
}

namespace {

// A row of --format json with its names turned back into bytes.
struct TJsonRow {
    int row = 0;
    std::string source, target; // exact bytes
    QJsonObject object;
};

std::string NameBytes(const QJsonObject& o, const char* key) {
    const QString bytesKey = QLatin1String(key) + QStringLiteral("_bytes");
    if (o.contains(bytesKey)) {
        // Only for names that are not UTF-8: the text then shows U+FFFD.
        EXPECT_TRUE(o.value(QLatin1String(key)).toString().contains(QChar(0xFFFD)));
        return QByteArray::fromBase64(o.value(bytesKey).toString().toLatin1()).toStdString();
    }
    return o.value(QLatin1String(key)).toString().toUtf8().toStdString();
}

std::vector<TJsonRow> ParseJsonLines(const std::string& text) {
    std::vector<TJsonRow> rows;
    for (const std::string& line : Lines(text)) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        TJsonRow r;
        r.object = doc.object();
        r.row = r.object.value(QStringLiteral("row")).toInt();
        r.source = NameBytes(r.object, "source");
        r.target = NameBytes(r.object, "target");
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::pair<std::string, std::string>> NullPairs(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t nul; (nul = text.find('\0', start)) != std::string::npos; start = nul + 1)
        fields.push_back(text.substr(start, nul - start));
    EXPECT_EQ(start, text.size()) << "the output ends with a NUL";
    EXPECT_EQ(fields.size() % 2, 0u);
    for (size_t i = 0; i + 1 < fields.size(); i += 2)
        pairs.emplace_back(fields[i], fields[i + 1]);
    return pairs;
}

} // namespace

// Names with blanks, quotes, commas, backslashes, control characters, line
// breaks, characters beyond the BMP and bytes that are not UTF-8 come back
// exactly from --format json and from --null, in the same order.
TEST(Cli, JsonAndNullRowsGiveBackEveryNameExactly) {
    TFixtureTree tree;
    tree.Dir("out");
    const std::vector<std::string> files = {
        "src/plain.jpg",
        "src/a b,c/say \"hi\".jpg",
        "src/back\\slash/x.jpg",
        "src/tab\there/line\nbreak.jpg",
        "src/ctl\x01\x1f\x7f/y.jpg",
        "src/\xe6\x97\xa5\xe6\x9c\xac/\xf0\x9f\x93\xb7.jpg",
        "src/caf\xe9/bad\xff\xfe.jpg",
        "src/half\xe6\x97/z.jpg",
    };
    for (const std::string& f : files)
        tree.File(f);
    tree.Dir("src\xff-root");
    tree.File("src\xff-root/in.jpg");
    for (const std::string& root : {std::string("src"), std::string("src\xff-root")}) {
        const std::vector<std::string> args = {"-s", tree.Path(root), "-n", tree.Path("out"),
                                               "-m", "asc", "-d", "+"};
        std::vector<std::string> jsonArgs = args, nullArgs = args;
        jsonArgs.insert(jsonArgs.end(), {"-f", "json"});
        nullArgs.push_back("-0");
        const TCliResult json = RunProgram(kCli, jsonArgs), nul = RunProgram(kCli, nullArgs);
        ASSERT_EQ(json.exitCode, 0) << json.err;
        ASSERT_EQ(nul.exitCode, 0) << nul.err;
        EXPECT_EQ(json.err, "");
        const std::vector<TJsonRow> rows = ParseJsonLines(json.out);
        const auto pairs = NullPairs(nul.out);
        ASSERT_EQ(rows.size(), pairs.size());
        ASSERT_EQ(rows.size(), root == "src" ? files.size() : 1u);

        std::set<std::string> expectedSources, sources;
        if (root == "src") {
            for (const std::string& f : files)
                expectedSources.insert(tree.Path(f));
        } else {
            expectedSources.insert(tree.Path("src\xff-root/in.jpg"));
        }
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].row, static_cast<int>(i) + 1);
            EXPECT_EQ(rows[i].source, pairs[i].first);
            EXPECT_EQ(rows[i].target, pairs[i].second);
            sources.insert(rows[i].source);
            // The target: the new folder, the folders below the source joined
            // with the delimiter (a backslash in a folder's name counts as a
            // separator too, as in every mode), the name; byte for byte.
            const std::string relative = rows[i].source.substr(tree.Path(root).size() + 1);
            const size_t nameAt = relative.rfind('/') + 1;
            std::string flat = relative.substr(0, nameAt);
            std::replace(flat.begin(), flat.end(), '/', '+');
            std::replace(flat.begin(), flat.end(), '\\', '+');
            flat += relative.substr(nameAt);
            EXPECT_EQ(rows[i].target, tree.Path("out") + "/" + flat);
        }
        EXPECT_EQ(sources, expectedSources);
        // Keys of unmarked rows: row, source, target and the *_bytes ones only.
        for (const TJsonRow& r : rows)
            for (const QString& key : r.object.keys())
                EXPECT_TRUE(key == "row" || key == "source" || key == "target" ||
                            key == "source_bytes" || key == "target_bytes")
                    << key.toStdString();
    }
}

// Marks reach a script row by row in --format json; standard error has one
// line per failed copy and the closing count.
TEST(Cli, JsonCarriesEachRowsMarks) {
    TFixtureTree tree;
    tree.File("src/a/b_x.jpg", "1");
    tree.File("src/a_b/x.jpg", "2"); // both become a_b_x.jpg in mode asc
    tree.Link("src/c.jpg", "nowhere"); // a dangling link: its copy fails
    tree.File("src/d.jpg", "4");
    tree.Dir("out/d.jpg"); // a folder stands at d.jpg's target: not copied
    const TCliResult r = RunProgram(kCli, {"-s", tree.Path("src"), "-n", tree.Path("out"), "-m",
                                           "asc", "-c", "-f", "json"});
    EXPECT_EQ(r.exitCode, 1);
    const std::vector<TJsonRow> rows = ParseJsonLines(r.out);
    ASSERT_EQ(rows.size(), 4u);
    std::map<std::string, const TJsonRow*> bySource;
    for (const TJsonRow& row : rows)
        bySource[row.source.substr(tree.Path("src").size())] = &row;
    const TJsonRow* first = bySource.at("/a/b_x.jpg");
    const TJsonRow* second = bySource.at("/a_b/x.jpg");
    if (first->row > second->row)
        std::swap(first, second);
    EXPECT_FALSE(first->object.contains(QStringLiteral("repeats_row")));
    EXPECT_EQ(second->object.value(QStringLiteral("repeats_row")).toInt(), first->row);
    const QJsonObject failed = bySource.at("/c.jpg")->object;
    EXPECT_TRUE(failed.value(QStringLiteral("copy_failed")).toBool());
    EXPECT_FALSE(failed.value(QStringLiteral("reason")).toString().isEmpty());
    const QJsonObject notCopied = bySource.at("/d.jpg")->object;
    EXPECT_EQ(notCopied.value(QStringLiteral("not_copied")).toString(),
              QStringLiteral("target_is_folder"));
    EXPECT_FALSE(notCopied.contains(QStringLiteral("copy_failed")));
    EXPECT_EQ(Lines(r.err).size(), 2u) << r.err;
    EXPECT_NE(r.err.find("tarnwick-cli: copy failed: " + tree.Path("src/c.jpg") + " -> " +
                         tree.Path("out/c.jpg") + ": "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("tarnwick-cli: 1 row repeats an earlier row's target, 1 row not copied, 1 copy failed\n"),
              std::string::npos)
        << r.err;
}

// A name that holds a line break keeps its failure line on one line.
TEST(Cli, FailureLinesShowControlCharactersEscaped) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    tree.Link("src/two\nlines.jpg", "nowhere"); // a dangling link: its copy fails
    const TCliResult r =
        RunProgram(kCli, {"-s", tree.Path("src"), "-n", tree.Path("out"), "-m", "asc", "-c"});
    EXPECT_EQ(r.exitCode, 1);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_NE(lines[0].find("two\\x0alines.jpg -> "), std::string::npos) << lines[0];
}

// Many rows in several pieces: standard output and the --csv file hold the
// same lines, in the same order, once each.
TEST(Cli, CsvOfManyRowsOnStandardOutputAndInTheFile) {
    TFixtureTree tree;
    tree.Dir("out");
    std::set<std::string> expected;
    auto quoted = [](const std::string& cell) {
        std::string q = "\"";
        for (const char c : cell)
            q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    };
    for (int d = 0; d < 12; ++d) {
        const std::string folder = "src/d " + std::to_string(d);
        tree.Dir(folder);
        const int dir = ::open(tree.Path(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(dir, 0);
        for (int f = 0; f < 500; ++f) {
            const std::string name = "f,\"" + std::to_string(f) + "\".jpg";
            const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
            expected.insert(quoted(tree.Path(folder + "/" + name)) + "," +
                            quoted(tree.Path("out/d " + std::to_string(d) + "_" + name)) + "\r");
        }
        ::close(dir);
    }
    const std::vector<std::string> args = {"-s", tree.Path("src"), "-n", tree.Path("out"), "-m",
                                           "asc", "-o", tree.Path("list")};
    const TCliResult file = RunProgram(kCli, args);
    ASSERT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out, "");
    std::vector<std::string> out = args;
    out.insert(out.end(), {"-f", "csv"}); // the file and standard output
    const TCliResult both = RunProgram(kCli, out);
    ASSERT_EQ(both.exitCode, 0) << both.err;
    const std::string bytes = TFixtureTree::Read(tree.Path("list.csv"));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" + both.out);
    const std::vector<std::string> lines = Lines(both.out);
    ASSERT_EQ(lines.size(), 6001u);
    EXPECT_EQ(lines[0] + "\n", kHeader);
    EXPECT_EQ(std::set<std::string>(lines.begin() + 1, lines.end()), expected);
}

// --verify reads each copy back from the disk: a copy altered between its
// write and its read-back fails its row, and the file that was at the target
// before stays as it was.
TEST(Cli, VerifyFailsATamperedCopyAndKeepsTheEarlierTarget) {
    TFixtureTree tree;
    tree.File("src/good.jpg", "GOOD PHOTO");
    tree.File("src/bad.jpg", "CORRUPT ON THE WAY");
    tree.File("out/bad.jpg", "EARLIER");
    const std::string corrupting = TARNWICK_CLI_CORRUPTING;
    const std::vector<std::string> args = {"-s", tree.Path("src"), "-n", tree.Path("out"), "-m",
                                           "asc", "-c", "-k", "-f", "json"};
    const TCliResult r = RunProgram(corrupting, args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("copy failed: " + tree.Path("src/bad.jpg")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("differs"), std::string::npos) << r.err;
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/bad.jpg")), "EARLIER");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/good.jpg")), "GOOD PHOTO");
    EXPECT_EQ(Names(tree.Path("out")), (std::vector<std::string>{"bad.jpg", "good.jpg"}));
    for (const TJsonRow& row : ParseJsonLines(r.out))
        EXPECT_EQ(row.object.value(QStringLiteral("copy_failed")).toBool(),
                  row.source == tree.Path("src/bad.jpg"));

    // Without --verify nothing reads the copy back: the same program copies
    // both files as they are.
    const TCliResult plain = RunProgram(corrupting, {"-s", tree.Path("src"), "-n",
                                                     tree.Path("out"), "-m", "asc", "-c"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/bad.jpg")), "CORRUPT ON THE WAY");
}

TEST(Cli, VerifiedCopiesThatMatchPass) {
    TFixtureTree tree;
    tree.File("src/a/one.jpg", std::string(3 << 20, 'x') + "end");
    tree.File("src/b/two.jpg", "");
    tree.Dir("out");
    const TCliResult r = RunProgram(kCli, {"-s", tree.Path("src"), "-n", tree.Path("out"), "-m",
                                           "asc", "--copy", "--verify"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a_one.jpg")),
              TFixtureTree::Read(tree.Path("src/a/one.jpg")));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/b_two.jpg")), "");
}
