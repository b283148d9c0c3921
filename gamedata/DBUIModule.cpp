#include "gamedata/DBUIModule.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBUIModuleRecord::ID>(u"ID"),
    GxDBCol<&DBUIModuleRecord::UIType>(u"UIType"),
    GxDBCol<&DBUIModuleRecord::Name>(u"Name"),
    GxDBCol<&DBUIModuleRecord::ImageSetName>(u"ImageSetName"),
    GxDBCol<&DBUIModuleRecord::ImageName>(u"ImageName"),
    GxDBCol<&DBUIModuleRecord::Width>(u"Width"),
    GxDBCol<&DBUIModuleRecord::Height>(u"Height"),
    GxDBCol<&DBUIModuleRecord::ClientLeft>(u"ClientLeft"),
    GxDBCol<&DBUIModuleRecord::ClientTop>(u"ClientTop"),
    GxDBCol<&DBUIModuleRecord::ClientWidth>(u"ClientWidth"),
    GxDBCol<&DBUIModuleRecord::ClientHeight>(u"ClientHeight"),
    GxDBCol<&DBUIModuleRecord::ShapeType>(u"ShapeType"),
    GxDBCol<&DBUIModuleRecord::FontIndex>(u"FontIndex"),
    GxDBCol<&DBUIModuleRecord::AnimeSpeed>(u"AnimeSpeed"),
};

} // namespace

DBUIModule::DBUIModule() : GxDBTable(u"DBUIModule", kColumns, 2) {}

DBUIModule g_DBUIModule;
