// A one-line progress bar on standard error, drawn only on a terminal.
#pragma once

namespace render {

class ProgressBar {
public:
    // Shown when standard error is a terminal and enabled is true; what: the
    // word before the bar.
    explicit ProgressBar(bool enabled, const char* what = "rendering");
    ~ProgressBar();
    void update(double fraction);
    // Clears the line (the report follows on clean lines).
    void finish();

private:
    bool shown;
    const char* label;
    int lastPercent = -1;
};

}  // namespace render
