#pragma once

#include <QProxyStyle>

namespace corvantile {

// The desktop's style with a smaller option button and check box mark, and a narrower gap
// between the mark and its caption, so marks and captions fit controls sized for a classic
// dialog.
class CompactStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

} // namespace corvantile
