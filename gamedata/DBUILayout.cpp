#include "gamedata/DBUILayout.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBUILayoutRecord::ID>(u"ID"),
    GxDBCol<&DBUILayoutRecord::ParentName>(u"ParentName"),
    GxDBCol<&DBUILayoutRecord::ParentIndex>(u"ParentIndex"),
    GxDBCol<&DBUILayoutRecord::ModuleName>(u"ModuleName"),
    GxDBCol<&DBUILayoutRecord::TaskName>(u"TaskName"),
    GxDBCol<&DBUILayoutRecord::TaskIndex>(u"TaskIndex"),
    GxDBCol<&DBUILayoutRecord::Create>(u"Create"),
    GxDBCol<&DBUILayoutRecord::Visible>(u"Visible"),
    GxDBCol<&DBUILayoutRecord::Enabled>(u"Enabled"),
    GxDBCol<&DBUILayoutRecord::Left>(u"Left"),
    GxDBCol<&DBUILayoutRecord::Top>(u"Top"),
    GxDBCol<&DBUILayoutRecord::OrderZ>(u"OrderZ"),
    GxDBCol<&DBUILayoutRecord::GroupID>(u"GroupID"),
    GxDBCol<&DBUILayoutRecord::Text>(u"Text"),
    GxDBCol<&DBUILayoutRecord::Label>(u"Label"),
    GxDBCol<&DBUILayoutRecord::SystemSoundID>(u"SystemSoundID"),
    GxDBCol<&DBUILayoutRecord::Value>(u"Value"),
    GxDBCol<&DBUILayoutRecord::Min>(u"Min"),
    GxDBCol<&DBUILayoutRecord::Max>(u"Max"),
    GxDBCol<&DBUILayoutRecord::AutoHelpTime>(u"AutoHelpTime"),
    GxDBCol<&DBUILayoutRecord::Descript>(u"Descript"),
};

} // namespace

DBUILayout::DBUILayout() : GxDBTable(u"DBUILayout", kColumns, -1) {}

DBUILayout g_DBUILayout;
