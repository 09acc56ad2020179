#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "base/config.h"
#include "dict/dict_columns.h"
#include "output/file_names.h"
#include "output/table_ddl.h"
#include "output/text_output.h"
#include "support/capture.h"
#include "support/process.h"

namespace {

PCOLUMN make_column(const char* name, ub1 type, ub2 col_no, ub2 segcol, ub4 length, bool nullable = true)
{
    PCOLUMN c = (PCOLUMN)calloc(1, sizeof(COLUMN));
    strcpy(c->name, name);
    c->ora_type = type;
    c->col_no = col_no;
    c->segcol_no = segcol;
    c->length = length;
    c->nullable = nullable;
    c->charset_form = 1;
    c->precision_null = 1;
    c->scale_null = 1;
    return c;
}

class TextOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        strcpy(config_data.data_path, "");
        init_zem_list(&columns_, nullptr);
        PCOLUMN empno = make_column("EMPNO", ORA_NUMBER, 1, 2, 22, false);
        empno->precision = 4;
        empno->precision_null = 0;
        empno->scale_null = 0;
        add_zem_list_item(&columns_, empno);
        add_zem_list_item(&columns_, make_column("ENAME", ORA_VARCHAR2, 2, 1, 10));
        PCOLUMN sal = make_column("SAL", ORA_NUMBER, 4, 4, 22);
        sal->precision = 7;
        sal->scale = 2;
        sal->precision_null = sal->scale_null = 0;
        add_zem_list_item(&columns_, sal);
        add_zem_list_item(&columns_, make_column("HIREDATE", ORA_DATE, 3, 3, 7));
        add_zem_list_item(&columns_, make_column("GEOM", 121, 5, 5, 1)); // an object type: left out
        PCOLUMN note = make_column("NOTE", ORA_NVARCHAR2_FORM_TEST, 6, 6, 40);
        note->charset_form = 2;
        add_zem_list_item(&columns_, note);
        memset(&table_, 0, sizeof(table_));
        memset(&params_, 0, sizeof(params_));
        strcpy(params_.delimiter, "|");
    }
    void TearDown() override
    {
        end_unload_table_txt(&params_);
        release_zem_list(&columns_);
        free(table_.cols);
        init_config_data();
    }
    static constexpr ub1 ORA_NVARCHAR2_FORM_TEST = ORA_VARCHAR2;
    ScopedWorkDir dir_{"textout"};
    ZEM_LIST columns_;
    TABLE table_;
    UNLOAD_PARAMS params_;
};

COL_DATA text_value(const char* text)
{
    COL_DATA v;
    memset(&v, 0, sizeof(v));
    v.common_data.str_data = (char*)text;
    v.data_len = (ub4)strlen(text);
    return v;
}

} // namespace

TEST(FileNames, TableFilesAndTransform)
{
    char name[128];
    get_table_file_name(name, sizeof(name), "SCOTT", "EMP", "P1", "txt");
    EXPECT_STREQ(name, "SCOTT_EMP_P1.txt");
    get_table_file_name(name, sizeof(name), "SCOTT", "EMP", nullptr, "sql");
    EXPECT_STREQ(name, "SCOTT_EMP.sql");
    get_table_file_name(name, sizeof(name), "", "EMP", "P1", "ctl");
    EXPECT_STREQ(name, "EMP_P1.ctl");
    get_table_file_name(name, sizeof(name), nullptr, "A$B C", "", "txt");
    EXPECT_STREQ(name, "A_B_C.txt");
    char multi[] = "T\xc3\xa9/x\x01";
    EXPECT_STREQ(transform_table_filename(multi), "T\xc3\xa9_x_");
}

TEST_F(TextOutput, FilesOfOneTable)
{
    ASSERT_EQ(begin_unload_table_txt("SCOTT", "EMP", "P1", &table_, &columns_, &params_), 1);
    EXPECT_TRUE(path_exists("SCOTT_EMP_P1.txt"));
    EXPECT_GOLDEN("output/SCOTT_EMP.sql", read_file("SCOTT_EMP.sql"));
    EXPECT_GOLDEN("output/SCOTT_EMP_P1.ctl", read_file("SCOTT_EMP_P1.ctl"));
    // The engine gets the columns in stored order, the object column skipped.
    ASSERT_EQ(table_.col_cnt, 6);
    EXPECT_STREQ(table_.cols[0].name, "ENAME");
    EXPECT_STREQ(table_.cols[1].name, "EMPNO");
    EXPECT_EQ(table_.skip_cnt, 1);
    EXPECT_EQ(table_.cols[4].can_unload, 0);
}

TEST_F(TextOutput, RowsTrailingNullsAndRowAddress)
{
    ASSERT_EQ(begin_unload_table_txt(nullptr, "T", nullptr, &table_, &columns_, &params_), 1);
    ROW_DATA row;
    memset(&row, 0, sizeof(row));
    row.rdba = 0x01000123;
    row.row_no = 5;
    COL_DATA ten = text_value("10"), null_value = text_value(""), x = text_value("x");
    null_value.is_null = 1;
    PCOLUMN c = table_.cols;
    unload_col_to_txt(nullptr, 0, &c[0], &ten, &params_, IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, &c[1], &null_value, &params_, IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, &c[2], &x, &params_, IS_FIRST_PIECE); // not complete yet
    unload_col_to_txt(nullptr, 0, &c[2], &x, &params_, IS_LAST_PIECE);
    unload_row_to_txt(0, &params_, &row);
    unload_col_to_txt(nullptr, 0, &c[0], &ten, &params_, IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, &c[1], nullptr, &params_, IS_LAST_NULL);
    unload_col_to_txt(nullptr, 0, &c[2], nullptr, &params_, IS_LAST_NULL);
    unload_row_to_txt(0, &params_, &row);
    config_data.record_row_addr = 1;
    unload_col_to_txt(nullptr, 0, &c[0], &ten, &params_, IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_row_to_txt(0, &params_, &row);
    end_unload_table_txt(&params_);
    EXPECT_EQ(read_file("T.txt"), "10||x\n10\n10|0x01000123|5\n");
}

// Fields are gathered and handed to the file in large writes: what comes out
// is still every field in order, whatever their lengths, with values longer
// than the gathering buffer, inline CLOB text and row addresses among them.
TEST_F(TextOutput, ManyRowsOfEveryLengthComeOutInOrder)
{
    for (const char* delimiter : {"|", "<=>"}) {
        strcpy(params_.delimiter, delimiter);
        ASSERT_EQ(begin_unload_table_txt(nullptr, "T", nullptr, &table_, &columns_, &params_), 1);
        params_.lob_output_format = LOF_PART_TEXT;
        PCOLUMN clob = make_column("DOC", ORA_CLOB, 7, 7, 4000);
        clob->can_unload = 1;
        std::mt19937 random(97);
        std::string expected;
        ROW_DATA row;
        memset(&row, 0, sizeof(row));
        for (int r = 0; r < 10000; r++) {
            row.rdba = (ub4)random();
            row.row_no = (ub4)(random() % 300);
            config_data.record_row_addr = random() % 5 == 0 ? 1 : 0;
            int fields = (int)(random() % 4);
            for (int f = 0; f < fields; f++) {
                ub1 first = f == 0 ? IS_FIRST_COLUMN : 0;
                size_t length = random() % 1000 == 0 ? 1500000 + random() % 1000 : random() % 3000;
                if (random() % 50 == 0)
                    length = 0;
                std::string text(length, (char)('a' + random() % 26));
                COL_DATA v = text_value(text.c_str());
                if (f > 0)
                    expected += delimiter;
                if (random() % 7 == 0) {
                    // Inline CLOB text: its own path into the same file.
                    unload_col_to_txt(nullptr, 0, clob, &v, &params_,
                                      first | IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE | IS_LAST_PIECE);
                } else if (random() % 11 == 0) {
                    v.is_null = 1;
                    unload_col_to_txt(nullptr, 0, &table_.cols[0], &v, &params_,
                                      first | IS_FIRST_PIECE | IS_LAST_PIECE);
                    text.clear();
                } else {
                    unload_col_to_txt(nullptr, 0, &table_.cols[0], &v, &params_,
                                      first | IS_FIRST_PIECE | IS_LAST_PIECE);
                }
                expected += text;
            }
            unload_row_to_txt(0, &params_, &row);
            if (config_data.record_row_addr) {
                char address[64];
                snprintf(address, sizeof(address), "%s0x%08x%s%u", delimiter, row.rdba, delimiter, row.row_no);
                expected += address;
            }
            expected += "\n";
        }
        end_unload_table_txt(&params_);
        config_data.record_row_addr = 0;
        free(clob);
        std::string written = read_file("T.txt");
        ASSERT_EQ(written.size(), expected.size()) << delimiter;
        EXPECT_TRUE(written == expected) << delimiter;
    }
}

TEST_F(TextOutput, DelimiterInControlFileAndLobFiller)
{
    strcpy(config_data.delimiter, ",|");
    config_data.lob_storage = LS_FILE;
    release_zem_list(&columns_);
    add_zem_list_item(&columns_, make_column("ID", ORA_NUMBER, 1, 1, 22));
    add_zem_list_item(&columns_, make_column("PIC", ORA_BLOB, 2, 2, 4000));
    ASSERT_EQ(begin_unload_table_txt("S", "PICS", nullptr, &table_, &columns_, &params_), 1);
    EXPECT_GOLDEN("output/S_PICS.ctl", read_file("S_PICS.ctl"));
}

TEST_F(TextOutput, UnopenableDataFileStopsTheTable)
{
    // A data directory that cannot be made: a file stands where it would go.
    write_file("plain", "");
    strcpy(config_data.data_path, "plain/dir/");
    std::string out = capture_stdout(
        [&] { EXPECT_EQ(begin_unload_table_txt("S", "T", nullptr, &table_, &columns_, &params_), 0); });
    EXPECT_EQ(out, "open file plain/dir/S_T.txt for writing data error! error message:Not a directory.\n");
    EXPECT_EQ(params_.output_error, ENOTDIR);
}

TEST_F(TextOutput, MissingDataDirectoryIsMade)
{
    strcpy(config_data.data_path, "new/deeper/");
    ASSERT_EQ(begin_unload_table_txt("S", "T", nullptr, &table_, &columns_, &params_), 1);
    end_unload_table_txt(&params_);
    EXPECT_TRUE(path_exists("new/deeper/S_T.txt"));
    EXPECT_TRUE(path_exists("new/deeper/S_T.ctl"));
}

TEST_F(TextOutput, LobFilesAndDirectories)
{
    config_data.lob_switch_dir_rows = 1000;
    PCOLUMN c = make_column("DOC", ORA_CLOB, 3, 3, 4000);
    c->lob.lob_obj_id = 77;
    c->lob_storage.lob_obj_id = 77;
    c->can_unload = 1;
    char full[512], name[512];
    ASSERT_EQ(get_lob_file_name(c, 1, full, sizeof(full), name, sizeof(name)), 1);
    EXPECT_STREQ(name, "lob00077_0003/0001/lob00077_0000000001.dat");
    ASSERT_EQ(get_lob_file_name(c, 1000, full, sizeof(full), name, sizeof(name)), 1);
    EXPECT_STREQ(name, "lob00077_0003/0001/lob00077_0000001000.dat");
    ASSERT_EQ(get_lob_file_name(c, 1001, full, sizeof(full), name, sizeof(name)), 1);
    EXPECT_STREQ(name, "lob00077_0003/0002/lob00077_0000001001.dat");
    EXPECT_TRUE(path_exists("lob00077_0003/0002"));

    // A CLOB piece with "%" in it reaches its file unchanged.
    ASSERT_EQ(begin_unload_table_txt(nullptr, "doc", nullptr, &table_, &columns_, &params_), 1);
    params_.lob_output_format = LOF_TEXT;
    COL_DATA v = text_value("100% sure %s");
    v.lob_full_name = full;
    v.lob_file_name = name;
    unload_col_to_txt(nullptr, 0, c, &v, &params_, IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LAST_PIECE);
    ASSERT_NE(v.lob_file, nullptr);
    fclose(v.lob_file);
    end_unload_table_txt(&params_);
    EXPECT_EQ(read_file(full), "100% sure %s");
    EXPECT_EQ(read_file("doc.txt"), std::string("|") + name);

    // Missing parents of the LOB root are made; a file in the way fails.
    strcpy(config_data.lob_path, "lobs/deeper/");
    PCOLUMN d = make_column("PIC", ORA_BLOB, 4, 4, 4000);
    EXPECT_EQ(get_lob_file_name(d, 1, full, sizeof(full), name, sizeof(name)), 1);
    EXPECT_TRUE(path_exists("lobs/deeper/lob00000_0004/0001"));
    write_file("plain", "");
    strcpy(config_data.lob_path, "plain/lobs/");
    d->lob.dir_ind = 0;
    std::string out =
        capture_stdout([&] { EXPECT_EQ(get_lob_file_name(d, 1, full, sizeof(full), name, sizeof(name)), 0); });
    EXPECT_NE(out.find("Can not create directory:plain/lobs/lob00000_0004\n"), std::string::npos);
    free(c);
    free(d);
}

// Inline CLOB text arrives in pieces and is written whole, enclosed when
// the whole needs it; the control file then says so.
TEST_F(TextOutput, InlineClobPiecesWrittenWholeAndEnclosed)
{
    ASSERT_EQ(begin_unload_table_txt(nullptr, "T", nullptr, &table_, &columns_, &params_), 1);
    params_.lob_output_format = LOF_PART_TEXT;
    PCOLUMN clob = make_column("DOC", ORA_CLOB, 7, 7, 4000);
    clob->can_unload = 1;
    ROW_DATA row;
    memset(&row, 0, sizeof(row));
    COL_DATA one = text_value("1"), first = text_value("say \"a"), second = text_value("\"\nbye");
    unload_col_to_txt(nullptr, 0, &table_.cols[0], &one, &params_, IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_row_to_txt(0, &params_, &row);
    unload_col_to_txt(nullptr, 0, &table_.cols[0], &one, &params_, IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, clob, &first, &params_, IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, clob, &second, &params_, IS_LOB_PIECE | IS_LOB_LAST_PIECE | IS_LAST_PIECE);
    unload_row_to_txt(0, &params_, &row);
    end_unload_table_txt(&params_);
    free(clob);
    EXPECT_EQ(read_file("T.txt"), "1\x1e\"\n1|\"say \"\"a\"\"\nbye\"\x1e\"\n");
    std::string ctl = read_file("T.ctl");
    EXPECT_NE(ctl.find("INFILE 'T.txt' \"STR X'1e220a'\"\n"), std::string::npos);
    EXPECT_NE(ctl.find("FIELDS TERMINATED BY X'7c' OPTIONALLY ENCLOSED BY X'22' TRAILING NULLCOLS\n"), std::string::npos);
}

// A LOB file that cannot be written fails the table with its name and error.
TEST_F(TextOutput, LobFileThatCannotBeWrittenFailsTheTable)
{
    ASSERT_EQ(begin_unload_table_txt(nullptr, "T", nullptr, &table_, &columns_, &params_), 1);
    params_.lob_output_format = LOF_TEXT;
    PCOLUMN c = make_column("PIC", ORA_BLOB, 7, 7, 4000);
    c->can_unload = 1;
    COL_DATA v = text_value("");
    v.lob_full_name = (char*)"/dev/full";
    v.lob_file_name = (char*)"pic.dat";
    const ub1 bytes[] = {1, 2, 3};
    unload_col_to_txt(bytes, 3, c, &v, &params_, IS_FIRST_COLUMN | IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LAST_PIECE);
    unload_col_to_txt(nullptr, 0, c, &v, &params_, IS_LOB_PIECE | IS_LOB_LAST_PIECE | IS_LAST_PIECE);
    EXPECT_EQ(v.lob_file, nullptr);
    EXPECT_EQ(params_.output_error, ENOSPC);
    EXPECT_STREQ(params_.output_error_file, "/dev/full");
    free(c);
}

TEST(TypeTexts, SqlControlAndSampleWords)
{
    COLUMN c;
    memset(&c, 0, sizeof(c));
    char text[COL_TYPE_TEXT_LEN];
    c.ora_type = ORA_NUMBER;
    c.precision_null = 1;
    c.scale_null = 1;
    EXPECT_STREQ(get_col_type_fullname(&c, text), "NUMBER");
    c.precision = 126;
    c.precision_null = 0;
    EXPECT_STREQ(get_col_type_fullname(&c, text), "FLOAT(126)");
    c.scale_null = 0;
    c.precision = 5;
    c.scale = (ub2)-2;
    EXPECT_STREQ(get_col_type_fullname(&c, text), "NUMBER(5,-2)");
    c.ora_type = ORA_CHAR;
    c.length = 20;
    c.charset_form = 2;
    EXPECT_STREQ(get_col_type_fullname(&c, text), "NCHAR(10)");
    EXPECT_STREQ(get_col_ctl_fullname(&c, text), "CHAR(20)");
    c.ora_type = ORA_TIMESTAMP_TZ;
    c.scale = 6;
    strcpy(c.name, "TS");
    EXPECT_STREQ(get_col_type_fullname(&c, text), "TIMESTAMP(6) WITH TIME ZONE");
    EXPECT_STREQ(get_col_ctl_fullname(&c, text), "\"TO_TIMESTAMP_TZ (:TS,'yyyy-mm-dd hh24:mi:ss.ff6 tzh:tzm')\"");
    c.ora_type = ORA_RAW;
    c.length = 16;
    EXPECT_STREQ(get_col_ctl_fullname(&c, text), "CHAR(32)");
    c.ora_type = ORA_BINARY_DOUBLE;
    EXPECT_STREQ(get_col_ctl_fullname(&c, text), "");
    c.ora_type = 182;
    EXPECT_STREQ(get_col_type_fullname(&c, text), "Unknown");
    EXPECT_STREQ(get_col_sample_fullname(ORA_VARCHAR2, text, 2), "NVARCHAR2");
    EXPECT_STREQ(get_col_sample_fullname(ORA_LONG_RAW, text, 1), "LONG_RAW");
    EXPECT_STREQ(get_col_sample_fullname(ORA_CLOB, text, 1), "");
}
