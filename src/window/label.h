#pragma once

#include <QLabel>
#include <string>

namespace corvane {

// A label whose caption is bytes: a folder text keeps every byte, while the
// label shows it decoded as UTF-8 with invalid bytes as replacement characters.
// Its width grows with a caption longer than the width it was given, as a
// label sized to its text does.
class TLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLabel(const std::string& caption, QWidget* parent = nullptr);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // The width the label keeps while its caption fits.
    void SetBaseWidth(int width);

private:
    void Fit();

    std::string caption_;
    int baseWidth_ = 0;
};

}  // namespace corvane
