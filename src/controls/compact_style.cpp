#include "compact_style.h"

namespace corvantile {

int CompactStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    switch (metric) {
    case PM_RadioButtonLabelSpacing:
    case PM_CheckBoxLabelSpacing:
        return 3;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

} // namespace corvantile
