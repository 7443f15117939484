#pragma once

#include <QString>

#include "framework/visual_style.h"

namespace tavr {

// The themed look as an application style: while the look is on, the platform's own style
// (the one the application had when the first window system was made); while it is off, the
// classic style. The scheme's frame colour is for the peers to apply.
class QtVisualStyle {
  public:
    static constexpr const char* kClassicStyle = "Windows";

    QtVisualStyle();

    void Apply(const VisualStyle& style) const;
    const QString& PlatformStyle() const { return platformStyle_; }

  private:
    QString platformStyle_;
};

}  // namespace tavr
