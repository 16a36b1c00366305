#include "CMyTQ4410.h"

#include "CTQ4410_Audio.h"
#include "CTQ4410_Func.h"
#include "CTQ4410_Output.h"
#include "CTQ4410_Overlay.h"
#include "CTQ4410_Ststus.h"
#include "SkinImages.h"

namespace velkor {

namespace {

constexpr ControlSpec kTemplate[] = {
    {.kind = ControlKind::PushButton, .id = 1016, .caption = "A1"},
    {.kind = ControlKind::PushButton, .id = 1017, .caption = "A2"},
    {.kind = ControlKind::PushButton, .id = 1018, .caption = "A3"},
    {.kind = ControlKind::PushButton, .id = 1019, .caption = "A4"},
    {.kind = ControlKind::PushButton, .id = 1020, .caption = "A5"},
    {.kind = ControlKind::Frame, .id = 1021, .visible = false},
    {.kind = ControlKind::Picture, .id = 1066, .x = 35, .y = 65, .image = skin::TabSeparator},
};

constexpr PanelContainer::Tab kTabs[] = {
    {1016, "Status", skin::TabStatus, skin::TabStatusSelected, PanelContainer::makePage<CTQ4410_Ststus>},
    {1017, "Scaling / Output", skin::TabOutput, skin::TabOutputSelected, PanelContainer::makePage<CTQ4410_Output>},
    {1018, "Audio Settings", skin::TabAudio, skin::TabAudioSelected, PanelContainer::makePage<CTQ4410_Audio>},
    {1019, "OSD Status Display", skin::TabOverlay, skin::TabOverlaySelected, PanelContainer::makePage<CTQ4410_Overlay>},
    {1020, "Functions", skin::TabFunction, skin::TabFunctionSelected, PanelContainer::makePage<CTQ4410_Func>},
};

const PanelContainer::Layout kLayout{kTemplate, kTabs, 1021, "tq4410  main  delete \n"};

}  // namespace

CMyTQ4410::CMyTQ4410(QWidget* parent) : PanelContainer(parent, kLayout) {}

}  // namespace velkor
