#include "convert/charset.h"

#include <strings.h>

#include "base/config.h"

iconv_t cs_iconv = nullptr;
iconv_t clob_iconv = nullptr;

namespace {

const iconv_t NO_ICONV = (iconv_t)-1;

const charset_pair* find_charset(bool (*match)(const charset_pair*, const void*), const void* key)
{
    const charset_pair* p = charset_list;
    while (p->charset_id != 0 && !match(p, key))
        p++;
    return p;
}

} // namespace

void get_charset_by_name(charset_pair* record, const char* name)
{
    *record = *find_charset(
        [](const charset_pair* p, const void* key) { return strcasecmp(p->charset_name, (const char*)key) == 0; },
        name);
}

void get_charset_by_id(charset_pair* record, ub4 id)
{
    *record = *find_charset([](const charset_pair* p, const void* key) { return p->charset_id == *(const ub4*)key; },
                            &id);
}

iconv_t get_iconv(ub4 from_id, ub4 to_id)
{
    charset_pair from, to;
    get_charset_by_id(&from, from_id);
    get_charset_by_id(&to, to_id);
    if (from.charset_id == 0 || to.charset_id == 0)
        return nullptr;
    const char* source = from.code_name[0] ? from.code_name : config_data.iconv_code_name;
    if (source[0] == '\0')
        return nullptr;
    iconv_t cd = iconv_open(to.code_name, source);
    return cd == NO_ICONV ? nullptr : cd;
}

void init_iconv()
{
    clean_iconv();
    cs_iconv = get_iconv(config_data.ncharset_id, config_data.charset_id);
    clob_iconv = get_iconv(config_data.clob_charset_id, config_data.charset_id);
}

void clean_iconv()
{
    if (cs_iconv != nullptr)
        iconv_close(cs_iconv);
    if (clob_iconv != nullptr)
        iconv_close(clob_iconv);
    cs_iconv = nullptr;
    clob_iconv = nullptr;
}
