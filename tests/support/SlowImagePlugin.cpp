// An image format that takes a minute to decode (or the seconds SLOW_IMAGE_SECONDS gives): a stand-in for a
// decode that is still running on a worker when the program is asked to quit. Files starting with
// "SLOWIMAGE" are its own. When a decode starts, it creates the file SLOW_IMAGE_MARKER names, so a test
// knows the worker is busy.

#include <QFile>
#include <QImage>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QThread>

namespace {

const QByteArray magic = "SLOWIMAGE";

class SlowImageHandler final : public QImageIOHandler
{
public:
    bool canRead() const override { return device() && device()->peek(magic.size()) == magic; }

    bool read(QImage* image) override
    {
        QFile marker(qEnvironmentVariable("SLOW_IMAGE_MARKER"));
        marker.open(QIODevice::WriteOnly);
        marker.close();
        bool given = false;
        const int seconds = qEnvironmentVariableIntValue("SLOW_IMAGE_SECONDS", &given);
        QThread::sleep(given ? seconds : 60);
        *image = QImage(8, 8, QImage::Format_RGB32);
        image->fill(Qt::red);
        return true;
    }

    bool supportsOption(ImageOption option) const override { return option == Size; }
    QVariant option(ImageOption option) const override { return option == Size ? QVariant(QSize(8, 8)) : QVariant(); }
};

} // namespace

class SlowImagePlugin final : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "SlowImagePlugin.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override
    {
        if (format == "slow" || (device && device->isReadable() && device->peek(magic.size()) == magic))
            return CanRead;
        return {};
    }

    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override
    {
        auto* handler = new SlowImageHandler;
        handler->setDevice(device);
        handler->setFormat(format);
        return handler;
    }
};

#include "SlowImagePlugin.moc"
