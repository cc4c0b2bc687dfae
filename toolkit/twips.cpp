#include "toolkit/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>

namespace tk {

namespace {
double g_override = 0;
}

double roundHalfEven(double v) {
    return std::nearbyint(v);
} // default FE_TONEAREST

std::optional<int16_t> toInt16(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(r);
}

std::optional<int32_t> toInt32(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int64_t> intDiv(double a, double b) {
    auto ia = toInt32(a);
    auto ib = toInt32(b);
    if (!ia || !ib || *ib == 0)
        return std::nullopt;
    return static_cast<int64_t>(*ia) / *ib; // C++ truncates toward zero
}

double twipsPerPixel() {
    if (g_override > 0)
        return g_override;
    double dpi = 96.0;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (auto* s = app->primaryScreen())
            dpi = s->logicalDotsPerInchX();
    }
    if (dpi <= 0)
        dpi = 96.0;
    return 1440.0 / dpi;
}

int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

double pixelsToTwips(int pixels) {
    return pixels * twipsPerPixel();
}

void setTwipsPerPixelOverride(double tpp) {
    g_override = tpp;
}

} // namespace tk
