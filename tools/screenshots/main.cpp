// Renders every view of the program on the sample data into PNG pictures, under the offscreen
// platform: `make screenshots` runs it on a fresh sample database in a temporary folder.
#include "tour.h"

#include "app/messages.h"
#include "app/views/mnemonics.h"
#include "store/database.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QImage>
#include <QTextStream>
#include <QWidget>
#include <cstdio>
#include <vector>

namespace tour {

namespace {

std::vector<std::function<void(std::vector<Shot>&)>>& registrations() {
    static std::vector<std::function<void(std::vector<Shot>&)>> all;
    return all;
}

// Messages a view would show while it is built for a picture are printed, not shown: the tour
// never waits for a user.
class PrintedMessages : public msg::MessageService {
public:
    int show(const QString& text, int style, const QString& title) override {
        QTextStream(stderr) << "message while rendering: " << style << '|' << title << '|' << text
                            << '\n';
        // A question with Cancel asks to save before a window closes: the tour never saves.
        return style == msg::QuestionCancel ? msg::No : msg::Yes;
    }
};

QImage grabWidget(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return widget.grab().toImage();
}

// The offscreen platform says, for every window, which window-system calls it cannot do; none of
// them matters for a picture.
void quietOffscreen(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.startsWith(QStringLiteral("This plugin does not support")))
        return;
    QTextStream(stderr) << (type == QtDebugMsg ? "" : "qt: ") << text << '\n';
}

} // namespace

Registration::Registration(std::function<void(std::vector<Shot>&)> add) {
    registrations().push_back(std::move(add));
}

} // namespace tour

int main(int argc, char** argv) {
    qInstallMessageHandler(tour::quietOffscreen);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders every view on a sample database."));
    parser.addHelpOption();
    const QCommandLineOption databaseOption(
        QStringLiteral("database"), QStringLiteral("The sample database."), QStringLiteral("path"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Folder for the pictures."),
                                       QStringLiteral("folder"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Render only the shots whose name "
                                                       "starts with this text."),
                                        QStringLiteral("prefix"));
    const QCommandLineOption mnemonicsOption(
        QStringLiteral("check-mnemonics"),
        QStringLiteral("Instead of pictures, list every Alt-key that leads to two visible "
                       "controls of one view; fails when there is one."));
    parser.addOptions({databaseOption, outOption, onlyOption, mnemonicsOption});
    parser.process(app);
    const bool checkMnemonics = parser.isSet(mnemonicsOption);
    if (!parser.isSet(databaseOption) || (!parser.isSet(outOption) && !checkMnemonics)) {
        std::fputs("usage: dosivant_screenshots --database PATH (--out FOLDER | "
                   "--check-mnemonics)\n",
                   stderr);
        return 1;
    }

    std::unique_ptr<store::Database> db;
    try {
        db = store::Database::openFile(parser.value(databaseOption));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot open the database: %s\n", e.what());
        return 1;
    }
    const QDir out(parser.value(outOption));
    if (!checkMnemonics)
        QDir().mkpath(out.path());

    tour::PrintedMessages messages;
    msg::setService(&messages);
    std::vector<tour::Shot> shots;
    for (const auto& add : tour::registrations())
        add(shots);

    tour::Context context{*db};
    int failures = 0;
    int views = 0;
    for (const tour::Shot& shot : shots) {
        if (parser.isSet(onlyOption) && !shot.name.startsWith(parser.value(onlyOption)))
            continue;
        if (checkMnemonics) {
            if (!shot.view)
                continue;
            std::unique_ptr<QWidget> view = shot.view(context);
            tour::grabWidget(*view);
            ++views;
            for (const QString& line : widgets::repeatedMnemonics(*view)) {
                std::printf("%s: %s\n", qPrintable(shot.name), qPrintable(line));
                ++failures;
            }
            view->close();
            continue;
        }
        QImage picture;
        try {
            if (shot.picture) {
                picture = shot.picture(context);
            } else {
                std::unique_ptr<QWidget> view = shot.view(context);
                picture = tour::grabWidget(*view);
                view->close();
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(shot.name), e.what());
        }
        const QString file = out.filePath(shot.name + QStringLiteral(".png"));
        if (picture.isNull() || !picture.save(file)) {
            std::fprintf(stderr, "%s: no picture\n", qPrintable(shot.name));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(file));
    }
    msg::setService(nullptr);
    if (checkMnemonics)
        std::printf("%d views checked, %d repeated keys\n", views, failures);
    return failures == 0 ? 0 : 1;
}
