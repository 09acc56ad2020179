#pragma once
// In-process storage tests: a fresh registry, block cache and big-file flags
// in a scratch working directory.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/config.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "builder/data_blocks.h"
#include "builder/datafile_image.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"
#include "support/capture.h"
#include "support/process.h"

class DatafileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        config_data.block_size = 8192;
        bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
        init_block_buffer_cache(&block_buffer_cache, 8192, 16);
        init_datafile_list();
    }
    void TearDown() override
    {
        release_datafile_list();
        release_block_buffer_cache(&block_buffer_cache);
        free(bigfile_ts_array);
        bigfile_ts_array = nullptr;
        close_trace_file();
        init_config_data();
    }
    std::string load_control(const std::string& text)
    {
        write_file("control.txt", text);
        return capture_stdout([] { load_control_file("control.txt"); });
    }
    static zb::DatafileDef file_desc(uint32_t ts, uint32_t fn, uint32_t rfn, uint32_t blocks = 32)
    {
        zb::DatafileDef s;
        s.ts_no = ts;
        s.file_no = fn;
        s.rfile_no = rfn;
        s.big_file = rfn == 1024;
        s.blocks = blocks;
        return s;
    }
    // A data block whose object id tells which block (and file) it is.
    static zb::BlockImage tagged_block(const zb::DatafileImage& file, uint32_t block_no, uint32_t tag)
    {
        zb::DataBlockDef d;
        d.trans.object_id = tag;
        d.trans.itls.resize(1);
        return zb::make_data_block(file.cache_header(6, block_no), d, file.def().block_size, file.def().order);
    }
    ScopedWorkDir dir_{"storage"};
};
