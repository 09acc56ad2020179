#include "builder/dictionary.h"

#include "builder/dict_internal.h"

namespace zb {

namespace {

uint8_t block_format(DictForm form)
{
    return form == DictForm::v10 ? FMT_V10 : form == DictForm::v9 ? FMT_V8 : FMT_V7;
}

uint32_t release_word(DictForm form)
{
    return form == DictForm::v10 ? 0x0a200100u : form == DictForm::v9 ? 0x09200000u : 0x07030000u;
}

DatafileDef file_def(const DictionaryDef& def, uint32_t ts, uint32_t file_no, uint32_t blocks)
{
    DatafileDef d;
    d.block_size = def.block_size;
    d.order = def.order;
    d.format = block_format(def.form);
    d.ts_no = ts;
    d.file_no = file_no;
    d.rfile_no = file_no;
    d.blocks = blocks;
    return d;
}

void name_file(DatafileImage& file, const DictionaryDef& def, const std::string& ts_name)
{
    FileHeaderDef& h = file.header();
    h.ts_name = ts_name;
    h.db_name = "ZEMDEMO";
    h.version = release_word(def.form);
    h.compat_version = release_word(def.form);
}

struct Sized {
    BuiltDatabase built;
    uint32_t system_end = 0, users_end = 0;
};

Sized build_sized(const DictionaryDef& def, uint32_t system_blocks, uint32_t users_blocks)
{
    Sized s;
    UserPlan plan = plan_user_objects(def);
    s.built.image.add_file(def.system_file, file_def(def, 0, 1, system_blocks));
    s.built.image.add_file(def.users_file, file_def(def, def.users_ts, def.users_file_no, users_blocks));
    DatafileImage& system = s.built.image.file(0);
    DatafileImage& users = s.built.image.file(1);
    name_file(system, def, "SYSTEM");
    name_file(users, def, "USERS");
    s.users_end = place_user_segments(def, plan, users, s.built);
    s.system_end = write_system_file(def, plan, system, s.built);
    return s;
}

} // namespace

BuiltDatabase build_database(const DictionaryDef& def)
{
    // Built once in roomy files to learn how many blocks each needs, then
    // again in files of that size plus some free space, as files have.
    constexpr uint32_t ROOMY = 1u << 20;
    Sized sizing = build_sized(def, ROOMY, ROOMY);
    return build_sized(def, sizing.system_end + 8, sizing.users_end + 8).built;
}

} // namespace zb
