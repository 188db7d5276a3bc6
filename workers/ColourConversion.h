#pragma once

#include "PsdFile.h"
#include "PsdPixels.h"

#include <QByteArray>
#include <QString>

#include <memory>

// How the layer export worker turns a document's colours into PNG pixels, and
// which profile the pictures carry. CMYK, Lab and 32-bit (linear) documents are
// converted to sRGB through LittleCMS from their embedded profile, relative
// colorimetric with black-point compensation; 8- and 16-bit RGB pixels stay
// the document's own, with its profile; grey stays grey.
namespace ColourConversion {

struct Plan
{
    // Null: the reader's own decoding.
    std::unique_ptr<Psd::ColourTransform> transform;
    // The ICC profile the pictures carry; empty for none.
    QByteArray profile;
    // Write grey PNGs (with alpha) instead of RGB.
    bool grey = false;
    // A line for the run log about the document's colours, or empty.
    QString note;
};

// The plan for a document of `header` whose embedded profile (image resource
// 1039) is `embedded` (empty when it has none).
Plan planFor(const Psd::Header &header, const QByteArray &embedded);

// The sRGB profile the converted pictures carry.
QByteArray srgbProfile();

// A grey profile on the sRGB tone curve, for grey pixels encoded on that
// curve from linear samples.
QByteArray greySrgbProfile();

} // namespace ColourConversion
