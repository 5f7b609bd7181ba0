#include "app/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace tessaly::app {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashWindow"));
    setWindowTitle(QStringLiteral("Tessaly  （Windows 10/11 対応）"));
    QPixmap picture(57, 67);
    picture.fill(QColor(250, 248, 240));
    {
        QPainter p(&picture);
        p.drawText(QRect(0, 2, 57, 16), Qt::AlignCenter, QStringLiteral("るび"));
        QFont font = p.font();
        font.setPointSize(24);
        p.setFont(font);
        p.drawText(QRect(0, 18, 57, 47), Qt::AlignCenter, QStringLiteral("字"));
    }
    auto* image = new QLabel(this);
    image->setPixmap(picture);
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

void RunStartup(KeyValueStore& store, run::PauseClock& clock, MainWindow& main) {
    InitialiseIfEmpty(store);
    {
        SplashWindow splash;
        splash.show();
        splash.repaint();
        QCoreApplication::processEvents();
        // No event is handled while the splash stands.
        const double start = clock.seconds();
        while (run::RoundHalfEven(clock.seconds() - start) < 3) {
        }
    }
    main.load();
}

QString ApplicationFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable()) return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

}  // namespace tessaly::app
