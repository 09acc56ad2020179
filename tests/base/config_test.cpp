#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/config.h"
#include "base/trace.h"
#include "convert/charset.h"
#include "storage/buffer_cache.h"
#include "support/capture.h"
#include "support/process.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, config_data.block_buffers);
    }
    void TearDown() override
    {
        release_block_buffer_cache(&block_buffer_cache);
        close_trace_file();
        init_config_data();
    }
    std::string load(const std::string& text)
    {
        write_file("cfg.txt", text);
        return capture_stdout([] { load_config("cfg.txt"); });
    }
    ScopedWorkDir dir_{"config"};
};

} // namespace

TEST_F(ConfigTest, DefaultsWithoutFile)
{
    EXPECT_EQ(config_data.charset_id, 852u);
    EXPECT_EQ(config_data.block_size, 4096);
    EXPECT_STREQ(config_data.delimiter, "|");
    EXPECT_STREQ(config_data.data_path, "data");
    EXPECT_STREQ(config_data.asmfile_extract_path, "asmfile");
    EXPECT_EQ(config_data.rdba_block_bits, 22);
    std::string out = capture_stdout([] { load_config("missing.txt"); });
    EXPECT_EQ(out, "can not open file 'missing.txt', error message:No such file or directory.\n");
    EXPECT_EQ(config_data.trace_config.fp, nullptr); // no trace file without a configuration
}

TEST_F(ConfigTest, InvalidBlockSizeFallsBackTo8192)
{
    std::string out = load("block_size 3000\n");
    EXPECT_EQ(out, "block_size 3000\nerror at line 1: invaid block size.\nload config file 'cfg.txt' successful\n");
    EXPECT_EQ(config_data.block_size, 8192);
    EXPECT_EQ(config_data.disk_scan_unit, 8192);
    EXPECT_NE(config_data.trace_config.fp, nullptr); // every successful load opens the trace file
    EXPECT_TRUE(path_exists("zem_trace.txt"));
}

TEST_F(ConfigTest, BoundedNumbersAndTheirMessages)
{
    std::string out = load("rdba_file_bits 12\ncompatible 9\n");
    EXPECT_EQ(config_data.rdba_file_bits, 12);
    EXPECT_EQ(config_data.rdba_block_bits, 20);
    EXPECT_EQ(config_data.compatible, 9);
    out = load("rdba_file_bits 40\ncompatible 13\nlob_switch_dir_rows 999\n");
    EXPECT_EQ(out, "rdba_file_bits 40\nerror at line 1: invaid rdba_file_bits\xA3\xACwill use 10.\n"
                   "compatible 13\nerror at line 2: invaid compatible\xA3\xACwill use 10.\n"
                   "lob_switch_dir_rows 999\nerror at line 3: invaid lob_switch_dir_rows\xA3\xACwill use 1000.\n"
                   "load config file 'cfg.txt' successful\n");
    EXPECT_EQ(config_data.rdba_block_bits, 22);
    EXPECT_EQ(config_data.lob_switch_dir_rows, 1000u);
}

TEST_F(ConfigTest, TimezonesAndCaseInsensitiveWords)
{
    load("db_timezone +8:30\nclient_timezone -13:00\nBYTE_ORDER BIG\nunload_deleted YES\n");
    EXPECT_EQ(config_data.db_timezone_east, 1);
    EXPECT_EQ(config_data.db_timezone_hour, 8);
    EXPECT_EQ(config_data.db_timezone_min, 30);
    // An invalid client zone takes the database zone.
    EXPECT_EQ(config_data.client_timezone_hour, 8);
    EXPECT_EQ(config_data.client_timezone_min, 30);
    EXPECT_EQ(config_data.byte_order, BO_BIG);
    EXPECT_EQ(config_data.unload_deleted, 1);

    int h = 99, m = 99, e = 99;
    EXPECT_EQ(str_to_timezone(" +14:00 ", &h, &m, &e), 1);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(str_to_timezone("-12:00", &h, &m, &e), 1);
    EXPECT_EQ(e, 0);
    h = 99;
    EXPECT_EQ(str_to_timezone("-13:00", &h, &m, &e), 0);
    EXPECT_EQ(str_to_timezone("+8:60", &h, &m, &e), 0);
    EXPECT_EQ(str_to_timezone("8:00", &h, &m, &e), 0);
    EXPECT_EQ(str_to_timezone("+8", &h, &m, &e), 0);
    EXPECT_EQ(str_to_timezone("+8:00:00", &h, &m, &e), 0);
    EXPECT_EQ(str_to_timezone("", &h, &m, &e), 0);
    EXPECT_EQ(h, 99); // untouched on failure
}

TEST_F(ConfigTest, LaterLoadsApplyOnTopAndPathsGetSlash)
{
    load("data_path out\ndelimiter ,\n");
    EXPECT_STREQ(config_data.data_path, "out/");
    load("lob_path lobs/\n");
    EXPECT_STREQ(config_data.data_path, "out/"); // kept from the earlier load
    EXPECT_STREQ(config_data.lob_path, "lobs/");
    EXPECT_STREQ(config_data.delimiter, ",");
}

// Values longer than their fields are refused with a message; the field keeps
// its old value and stays terminated.
TEST_F(ConfigTest, OverlongValuesAreRefused)
{
    std::string path300(300, 'p');
    std::string out = load("data_path " + path300 + "\ndelimiter abcdefghijkl\ndata_path " + std::string(258, 'q') +
                           "\n");
    EXPECT_NE(out.find("error at line 1: path longer than 258 characters, ignored.\n"), std::string::npos);
    EXPECT_NE(out.find("error at line 2: delimiter longer than 9 characters, ignored.\n"), std::string::npos);
    EXPECT_STREQ(config_data.delimiter, "|");
    EXPECT_EQ(strlen(config_data.data_path), 259u); // 258 characters fit with their "/"
}

TEST_F(ConfigTest, CommentsBadLinesAndCharsets)
{
    std::string out = load("# comment\n #x y\n\nfoo bar\na b c\ncharset_name al32utf8\nncharset_name nope\n");
    EXPECT_EQ(out, "# comment\n #x y\nerror at line 2.\n\nfoo bar\nerror at line 4.\na b c\nerror at line 5.\n"
                   "charset_name al32utf8\nncharset_name nope\n"
                   "charset name 'nope' not found,will use default ncharset AL16UTF16\n"
                   "load config file 'cfg.txt' successful\n");
    EXPECT_EQ(config_data.charset_id, 873u);
    EXPECT_EQ(config_data.ncharset_id, 2000u);
    EXPECT_NE(cs_iconv, nullptr); // UCS-2BE -> UTF-8 rebuilt after the load
}

TEST_F(ConfigTest, CacheRebuiltOnlyWhenGeometryChanges)
{
    load("block_size 4096\nblock_buffers 1024\n");
    const ub1 block[4096] = {1};
    copy_block_to_buffer_cache(&block_buffer_cache, block, 0, 5, 4096);
    load("block_size 4096\nblock_buffers 1024\n");
    EXPECT_NE(search_block_buffer_cache(&block_buffer_cache, 0, 5, 4096), nullptr);
    load("block_buffers 8\n");
    EXPECT_EQ(block_buffer_cache.block_count, 8u);
    EXPECT_EQ(search_block_buffer_cache(&block_buffer_cache, 0, 5, 4096), nullptr);
}

TEST_F(ConfigTest, TraceFileNamedInConfiguration)
{
    load("trace.trace_filename my_trace.txt\ntrace_level 9\n");
    EXPECT_EQ(config_data.trace_level, 1);
    EXPECT_STREQ(config_data.trace_config.trace_filename, "my_trace.txt");
    write_trace("hello\n");
    flush_trace();
    EXPECT_EQ(read_file("my_trace.txt"), "hello\n");
    std::string out = load("trace.trace_filename /nonexistent/dir/t.txt\n");
    EXPECT_NE(out.find("can not open trace file,filename:  '/nonexistent/dir/t.txt',error message:"),
              std::string::npos);
}
