#include "CMyTQ6630.h"

#include "CTQ6630_Func.h"
#include "CTQ6630_Output.h"
#include "CTQ6630_Overlay.h"
#include "CTQ6630_Status.h"
#include "SkinImages.h"

namespace velkor {

namespace {

constexpr ControlSpec kTemplate[] = {
    {.kind = ControlKind::PushButton, .id = 1023, .caption = "b1"},
    {.kind = ControlKind::PushButton, .id = 1072, .caption = "B2"},
    {.kind = ControlKind::PushButton, .id = 1073, .caption = "B3"},
    {.kind = ControlKind::PushButton, .id = 1074, .caption = "B4"},
    {.kind = ControlKind::Frame, .id = 1076, .visible = false},
    {.kind = ControlKind::Picture, .id = 1075, .x = 21, .y = 67, .image = skin::TabSeparator},
};

// No audio page: the overlay and function tabs move up to third and fourth.
constexpr PanelContainer::Tab kTabs[] = {
    {1023, "Status", skin::TabStatus, skin::TabStatusSelected, PanelContainer::makePage<CTQ6630_Status>},
    {1072, "Scaling / Output", skin::TabOutput, skin::TabOutputSelected, PanelContainer::makePage<CTQ6630_Output>},
    {1073, "OSD Status Display", skin::TabOverlay, skin::TabOverlaySelected, PanelContainer::makePage<CTQ6630_Overlay>},
    {1074, "Functions", skin::TabFunction, skin::TabFunctionSelected, PanelContainer::makePage<CTQ6630_Func>},
};

const PanelContainer::Layout kLayout{kTemplate, kTabs, 1076, "tq6630 main  delete \n"};

}  // namespace

CMyTQ6630::CMyTQ6630(QWidget* parent) : PanelContainer(parent, kLayout) {}

}  // namespace velkor
