#include "app/Startup.h"

#include "run/ProgressWindows.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLabel>
#include <QVBoxLayout>

namespace tessaly::app {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashWindow"));
    setWindowTitle(QStringLiteral("Tessaly  （Windows 10/11 対応）"));
    auto* image = new QLabel(this);
    image->setPixmap(run::RubyPicture(57, 67));
    auto* product = new QLabel(QStringLiteral("Tessaly"), this);
    QFont big = product->font();
    big.setPointSize(18);
    big.setBold(true);
    product->setFont(big);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(image, 0, Qt::AlignHCenter);
    layout->addWidget(product, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("一太郎のルビ・傍点・割注を InDesign へ"), this), 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("起動しています．．．　しばらくお待ち下さい"), this), 0, Qt::AlignHCenter);
}

bool InstallQtJapanese(QCoreApplication& application) {
    // Qt's own folder where Qt is installed; on Windows the program carries
    // them in translations/ beside it.
    auto* translator = new QTranslator(&application);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

void RunStartup(settings::KeyValueStore& store, run::PauseClock& clock, MainWindow& main) {
    settings::InitialiseIfEmpty(store);
    {
        SplashWindow splash;
        splash.show();
        // The splash is drawn once the window system shows it, and the pause
        // starts then; while it stands the window is drawn but takes no input.
        run::WaitUntilExposed(splash, clock);
        const double start = clock.seconds();
        while (run::RoundHalfEven(clock.seconds() - start) < 3) clock.processPaintEvents();
    }
    main.load();
}

}  // namespace tessaly::app
