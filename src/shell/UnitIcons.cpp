// The pictures of the main window's buttons and the application icon, kept as SVG resources.
#include "shell/UnitIcons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>

// Q_INIT_RESOURCE declares a function of the global namespace, so it is called from here.
static void RegisterShellResources()
{
    Q_INIT_RESOURCE(kinotra);
}

namespace {

QString ResourcePath(const QString& name)
{
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

// The icons already built, by name; a name without a picture keeps a null icon.
QHash<QString, QIcon>& Cache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

QIcon LoadIcon(const QString& name)
{
    InitResources();
    auto& cache = Cache();
    const auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    QIcon icon;
    // Only plain names: a name with a folder in it could reach another resource.
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && QFile::exists(ResourcePath(name)))
        icon = QIcon(ResourcePath(name));
    cache.insert(name, icon);
    return icon;
}

} // namespace

void InitResources()
{
    static bool done = false;
    if (!done) {
        RegisterShellResources();
        done = true;
    }
}

QIcon ButtonIcon(const QString& buttonName)
{
    return LoadIcon(buttonName);
}

QImage ButtonPicture(const QString& buttonName)
{
    const QIcon icon = LoadIcon(buttonName);
    if (icon.isNull())
        return QImage();
    // Drawn at a ratio of 1 whatever the screen, so that the picture is exactly 32 x 32 pixels.
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, icon.pixmap(QSize(32, 32), 1.0));
    painter.end();
    return image;
}

QString PictureName(int number)
{
    switch (number) {
    case picFrameVisible:
        return QStringLiteral("ButtonMontageBasculer");
    case picFrameHidden:
        return QStringLiteral("ButtonMontageBasculerHidden");
    case picNotRecording:
        return QStringLiteral("ButtonCapEnregistrer");
    case picRecording:
        return QStringLiteral("ButtonCapEnregistrerRecording");
    default:
        return QString();
    }
}

QIcon PictureIcon(int number)
{
    const QString name = PictureName(number);
    return name.isEmpty() ? QIcon() : LoadIcon(name);
}

QIcon ApplicationIcon()
{
    return LoadIcon(QStringLiteral("Kinotra"));
}
