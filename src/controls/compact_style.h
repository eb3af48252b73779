#pragma once

#include <QProxyStyle>

namespace corvantile {

// The desktop's style with a narrower gap between an option button's or check box's mark
// and its caption, so captions fit controls sized for a classic dialog.
class CompactStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

} // namespace corvantile
