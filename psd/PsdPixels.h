#pragma once

#include "PsdChannels.h"
#include "PsdFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Pixels of an open document, decoded from the file one channel at a time:
// a layer costs its own picture plus one channel, never the whole document.
//
// Colour modes: RGB and Grayscale at 8, 16 and 32 bits (32-bit samples are
// linear light and come out as 16-bit values on the sRGB curve, clamped to
// 0..1); Indexed through the palette of the colour mode data (the
// transparency index, when the document names one, becomes transparent);
// Bitmap as black and white; Duotone as its grey base image; CMYK by the naive
// ink formula R = (1 − C)(1 − K) and so on, without a colour profile; Lab
// (D50) through XYZ to sRGB. Multichannel documents are refused.
namespace Psd {

// False, with the reason, for a colour mode or depth the decoder cannot turn
// into RGB.
bool canDecode(const Header &header, QString *error);

// Turns the colour samples of a document into RGB where the built-in formulas
// are not wanted, as a colour-managed conversion. Samples come as the file
// stores them, interleaved, `channels` per pixel (CMYK inverted: the maximum is
// no ink); out come 16-bit R, G, B on the curve of the target.
class ColourTransform
{
public:
    virtual ~ColourTransform() = default;
    // 8-bit samples × 257 and 16-bit samples of 8- and 16-bit documents.
    virtual void toRgb(const quint16 *samples, quint16 *rgb, int count) const = 0;
    // The floating-point samples of 32-bit documents, linear light.
    virtual void toRgb(const float *samples, quint16 *rgb, int count) const = 0;
};

struct LayerImageOptions
{
    bool applyOpacity = true;   // multiply the transparency by the layer's opacity
    bool applyUserMask = true;  // multiply it by the pixel mask when the mask is enabled
    bool applyVectorMask = true; // multiply it by the vector mask ("vmsk"/"vsms") when enabled
    bool decodeColour = true;   // false: only the transparency, over black
    // RGB, CMYK, Lab and Grayscale documents through this instead of the
    // built-in formulas; not owned.
    const ColourTransform *transform = nullptr;
};

// The masks of a layer as its mask data describes them. With both a pixel and
// a vector mask the first entry is Photoshop's rendering of the vector mask
// (flag bit 3) and the pixel mask follows as the "real" one in channel -3;
// the densities come after both.
struct LayerMasks
{
    MaskInfo pixel;             // present when the layer has a pixel mask
    qint16 pixelChannel = -2;
    quint8 pixelDensity = 255;
    quint8 vectorDensity = 255;
    bool feathered = false;     // a feather is set; it is not drawn
};
LayerMasks layerMasks(PsdFile &psd, const LayerRecord &layer);

// The pixels of layer `index` of the document's layer list over its
// rectangle, not premultiplied: Format_ARGB32 for 1- and 8-bit documents,
// Format_RGBA64 for 16- and 32-bit ones. Transparency comes from the layer's
// transparency channel (opaque when it has none). A layer with an empty
// rectangle gives a null image and true. Masks: the pixel mask and the vector
// mask, each when present and enabled, at their density; fill and shape layers
// store their pixels with their vector mask already drawn, so it is not drawn
// again.
bool readLayerImage(PsdFile &psd, int index, const LayerImageOptions &options, QImage *image, QString *error);

// The merged (flattened) image of the document over the whole canvas, in the
// same formats; its transparency is the first extra channel when the document
// stores merged transparency, else opaque.
bool readMergedImage(PsdFile &psd, QImage *image, QString *error, const ColourTransform *transform = nullptr);

// The embedded colour profile (image resource 1039), empty when there is none.
QByteArray iccProfile(PsdFile &psd);

} // namespace Psd
