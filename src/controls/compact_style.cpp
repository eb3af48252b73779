#include "compact_style.h"

namespace corvantile {

int CompactStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    switch (metric) {
    case PM_RadioButtonLabelSpacing:
    case PM_CheckBoxLabelSpacing:
        return 3;
    // The mark is drawn whole, with a pixel to spare above and below it in a control 13
    // pixels high; the desktop's own 14 pixels would be cut.
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return 11;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

} // namespace corvantile
