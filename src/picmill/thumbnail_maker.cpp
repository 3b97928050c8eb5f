#include "picmill/thumbnail_maker.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <algorithm>

namespace vireo {
namespace {

// 40 megapixels at four bytes each, with room to spare.
constexpr int kDecodeLimitMegabytes = 256;

// The size of `shown` made to fit the thumbnail square, keeping its proportions; never enlarged.
QSize FittedSize(QSize shown)
{
    if (shown.width() <= kThumbnailSide && shown.height() <= kThumbnailSide) return shown;
    return shown.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The image as 24-bit colour, transparent parts laid on white.
QImage OnWhite(const QImage& image)
{
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB888);
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_RGB888);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            auto blend = [alpha](int channel) {
                return static_cast<uchar>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
            };
            out[3 * x] = blend(qRed(in[x]));
            out[3 * x + 1] = blend(qGreen(in[x]));
            out[3 * x + 2] = blend(qBlue(in[x]));
        }
    }
    return result;
}

std::optional<std::string> ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

void PrepareImageDecoders()
{
    QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
}

bool IsPictureName(std::string_view name)
{
    static const QSet<QByteArray> extensions = [] {
        QSet<QByteArray> formats;
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            formats.insert(format.toLower());
        return formats;
    }();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return false;
    return extensions.contains(
        QByteArray(name.data() + dot + 1, static_cast<qsizetype>(name.size() - dot - 1)).toLower());
}

std::optional<Thumbnail> MakeThumbnail(const std::string& path, std::string_view name)
{
    const QString file = QString::fromStdString(path);
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) return std::nullopt;
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize shown = turned ? stored.transposed() : stored;
    Thumbnail thumbnail{std::string(name),
                        {},
                        static_cast<std::uint32_t>(shown.width()),
                        static_cast<std::uint32_t>(shown.height())};

    const QSize fitted = FittedSize(shown);
    if (reader.format() == "gif" && fitted == shown) {
        std::optional<std::string> bytes = ReadWholeFile(file);
        if (!bytes) return std::nullopt;
        thumbnail.image = std::move(*bytes);
        return thumbnail;
    }
    // Scaling happens before the turn, so it is asked in the stored orientation; decoders that can
    // (JPEG) then decode small instead of whole.
    reader.setScaledSize(turned ? fitted.transposed() : fitted);
    reader.setQuality(100);
    const QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!OnWhite(image).save(&buffer, "BMP")) return std::nullopt;
    thumbnail.image.assign(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
    return thumbnail;
}

}  // namespace vireo
