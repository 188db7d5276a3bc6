#include "ColourConversion.h"

#include "WorkerText.h"

#include <lcms2.h>

#include <vector>

namespace ColourConversion {

namespace {

QByteArray save(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile, nullptr, &size) || size == 0)
        return QByteArray();
    QByteArray bytes(qsizetype(size), '\0');
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return QByteArray();
    return bytes;
}

cmsToneCurve *srgbCurve()
{
    // IEC 61966-2-1: a line near black, then the 2.4 power.
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

cmsHPROFILE createGreySrgb()
{
    cmsToneCurve *curve = srgbCurve();
    cmsHPROFILE profile = curve ? cmsCreateGrayProfile(cmsD50_xyY(), curve) : nullptr;
    if (curve)
        cmsFreeToneCurve(curve);
    return profile;
}

// One LittleCMS transform from a document's samples to sRGB (or to grey on the
// sRGB curve, spread over R, G and B).
class LcmsTransform : public Psd::ColourTransform
{
public:
    LcmsTransform(cmsHTRANSFORM transform, bool greyOut) : m_transform(transform), m_greyOut(greyOut) { }
    ~LcmsTransform() override { cmsDeleteTransform(m_transform); }

    void toRgb(const quint16 *samples, quint16 *rgb, int count) const override { run(samples, rgb, count); }
    void toRgb(const float *samples, quint16 *rgb, int count) const override { run(samples, rgb, count); }

private:
    void run(const void *samples, quint16 *rgb, int count) const
    {
        cmsDoTransform(m_transform, samples, rgb, cmsUInt32Number(count));
        if (!m_greyOut)
            return;
        // Grey values fill the first third; spread them from the back.
        for (int i = count - 1; i >= 0; --i)
            rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = rgb[i];
    }

    cmsHTRANSFORM m_transform;
    bool m_greyOut;
};

// Owns a profile handle for the length of a scope.
struct Profile
{
    explicit Profile(cmsHPROFILE handle) : handle(handle) { }
    ~Profile()
    {
        if (handle)
            cmsCloseProfile(handle);
    }
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;
    cmsHPROFILE handle;
};

std::unique_ptr<Psd::ColourTransform> transform(cmsHPROFILE from, cmsUInt32Number inFormat, cmsHPROFILE to,
                                                cmsUInt32Number outFormat, bool greyOut)
{
    if (!from || !to)
        return nullptr;
    cmsHTRANSFORM handle = cmsCreateTransform(from, inFormat, to, outFormat, INTENT_RELATIVE_COLORIMETRIC,
                                              cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
    if (!handle)
        return nullptr;
    return std::make_unique<LcmsTransform>(handle, greyOut);
}

QByteArray spaceOf(const QByteArray &icc)
{
    return icc.size() >= 128 ? icc.mid(16, 4) : QByteArray();
}

} // namespace

QByteArray srgbProfile()
{
    static const QByteArray bytes = [] {
        Profile profile(cmsCreate_sRGBProfile());
        return save(profile.handle);
    }();
    return bytes;
}

QByteArray greySrgbProfile()
{
    static const QByteArray bytes = [] {
        Profile profile(createGreySrgb());
        return save(profile.handle);
    }();
    return bytes;
}

Plan planFor(const Psd::Header &header, const QByteArray &embedded)
{
    Plan plan;
    const QByteArray space = spaceOf(embedded);
    Profile document(embedded.isEmpty() ? nullptr
                                        : cmsOpenProfileFromMem(embedded.constData(), cmsUInt32Number(embedded.size())));
    const bool usable = document.handle != nullptr;
    const bool deep = header.depth == 32;
    const QString unusable = WorkerText::Translate(QStringLiteral("文档嵌入的颜色配置文件无法使用，已忽略。"));
    switch (header.colorMode) {
    case Psd::ColorMode::Rgb:
        if (!deep) {
            // The document's own pixels, with the document's own profile.
            if (space == "RGB ")
                plan.profile = embedded;
            return plan;
        }
        if (usable && space == "RGB ") {
            Profile srgb(cmsCreate_sRGBProfile());
            plan.transform = transform(document.handle, TYPE_RGB_FLT, srgb.handle, TYPE_RGB_16, false);
        } else if (!embedded.isEmpty()) {
            plan.note = unusable;
        }
        // Without a profile the linear values are taken as sRGB primaries and
        // put on the sRGB curve by the reader.
        plan.profile = srgbProfile();
        return plan;
    case Psd::ColorMode::Grayscale:
        plan.grey = true;
        if (!deep) {
            if (space == "GRAY")
                plan.profile = embedded;
            return plan;
        }
        if (usable && space == "GRAY") {
            Profile grey(createGreySrgb());
            plan.transform = transform(document.handle, TYPE_GRAY_FLT, grey.handle, TYPE_GRAY_16, true);
        }
        plan.profile = greySrgbProfile();
        return plan;
    case Psd::ColorMode::Cmyk:
        if (!deep && usable && space == "CMYK") {
            Profile srgb(cmsCreate_sRGBProfile());
            // Photoshop stores CMYK inverted: the maximum is no ink.
            plan.transform = transform(document.handle, TYPE_CMYK_16_REV, srgb.handle, TYPE_RGB_16, false);
        }
        if (plan.transform) {
            plan.profile = srgbProfile();
        } else {
            plan.note = WorkerText::Translate(
                    QStringLiteral("文档没有可用的 CMYK 颜色配置文件：颜色按简单的油墨公式换算，仅为近似。"));
        }
        return plan;
    case Psd::ColorMode::Lab:
        if (!deep) {
            Profile lab(usable && space == "Lab " ? nullptr : cmsCreateLab4Profile(nullptr));
            Profile srgb(cmsCreate_sRGBProfile());
            plan.transform = transform(lab.handle ? lab.handle : document.handle, TYPE_Lab_16, srgb.handle,
                                       TYPE_RGB_16, false);
        }
        // The reader's own Lab formula converts to sRGB as well.
        plan.profile = srgbProfile();
        return plan;
    default:
        if (space == "RGB ")
            plan.profile = embedded;
        return plan;
    }
}

} // namespace ColourConversion
