#include "sprites/draw_report.h"

#include <algorithm>

namespace vorn {

namespace {

// More would not fit the line under the preview.
constexpr size_t kNamedParts = 3;

std::string Describe(const UndrawnPart& part)
{
    const std::string id = std::to_string(part.id);
    switch (part.kind) {
    case UndrawnPart::Kind::Object:
        return "object " + id;
    case UndrawnPart::Kind::Graphic:
        return "graphic " + id;
    case UndrawnPart::Kind::DrawGroup:
        return "draw group " + id;
    case UndrawnPart::Kind::View:
        return "draw group " + id + " in this view";
    case UndrawnPart::Kind::Frame:
        break;
    }
    return "sprite " + id + " frame " + std::to_string(part.frame);
}

} // namespace

void DrawReport::Add(UndrawnPart part)
{
    if (std::find(parts_.begin(), parts_.end(), part) != parts_.end())
        return;
    if (parts_.size() < kKeptParts)
        parts_.push_back(part);
    else
        ++uncounted_;
}

std::string DrawReport::Summary() const
{
    if (parts_.empty())
        return {};
    std::string text = "Not drawn: ";
    const size_t named = std::min(parts_.size(), kNamedParts);
    for (size_t i = 0; i < named; ++i) {
        if (i > 0)
            text += i + 1 == named && named == parts_.size() ? " and " : ", ";
        text += Describe(parts_[i]);
    }
    if (parts_.size() + uncounted_ > named)
        text += " and " + std::to_string(parts_.size() + uncounted_ - named) + " more";
    return text;
}

} // namespace vorn
