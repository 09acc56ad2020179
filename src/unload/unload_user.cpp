#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "base/config.h"
#include "base/printer.h"
#include "base/run_status.h"
#include "base/str_util.h"
#include "dict/dict_lookup.h"
#include "dict/dict_store.h"
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"
#include "unload/unload_cmd.h"

namespace {

// Work message: type 1 names a table "owner.table", type 2 stops a worker.
constexpr long MSG_TABLE = 1;
constexpr long MSG_STOP = 2;
constexpr int MSG_TEXT_LEN = 72;
constexpr int MSG_SEND_LEN = 70;

struct WORK_MESSAGE {
    long mtype;
    char mtext[MSG_TEXT_LEN];
};

// The user's tables in the order of the objects-by-number table.
std::vector<std::string> user_tables(ub4 user_id)
{
    std::vector<std::string> names;
    const ZEM_HASH_TABLE* table = &dict_obj_hash_table;
    if (table->bucket_list == nullptr)
        return names;
    for (ub4 b = 0; b < table->bucket_cnt; b++) {
        PZEM_HASH_ITEM bucket = table->bucket_list[b];
        if (bucket == nullptr)
            continue;
        for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next) {
            const DICT_OBJ* o = (const DICT_OBJ*)item->data;
            if (o->owner == user_id && o->object_type == OT_TABLE)
                names.push_back(o->name);
        }
    }
    return names;
}

void slave_log_name(char* name, size_t size, pid_t pid)
{
    snprintf(name, size, "zem_slave_%u.log", (unsigned)pid);
}

void start_slave_spool()
{
    char name[64];
    slave_log_name(name, sizeof(name), getpid());
    if (!open_spool_file(name))
        sp_printf("can not open file '%s' for write.error message:%s.\n", name, strerror(errno));
}

// The workers' messages reached the terminal and their own logs; a spool of
// the session gets each log whole, in the order the workers started.
void copy_slave_logs_to_spool(const std::vector<pid_t>& workers)
{
    if (fp_spool == nullptr)
        return;
    for (pid_t pid : workers) {
        char name[64];
        slave_log_name(name, sizeof(name), pid);
        FILE* log = fopen(name, "r");
        if (log == nullptr)
            continue;
        char text[4096];
        size_t n;
        while ((n = fread(text, 1, sizeof(text), log)) > 0)
            spool_only_printf("%.*s", (int)n, text);
        fclose(log);
    }
}

// The big tables are unloaded here, each split over `degree` workers; the
// others are returned for the queue.
std::vector<std::string> split_big_tables(ub4 user_id, const char* user_name, int degree)
{
    std::vector<std::string> rest;
    ub8 min_blocks = PARALLEL_USER_TABLE_MIN_BYTES / (config_data.block_size > 0 ? (ub8)config_data.block_size : 8192);
    for (const std::string& table : user_tables(user_id)) {
        if (config_data.use_scanned_extent || get_table_blocks(user_id, table.c_str()) < min_blocks)
            rest.push_back(table);
        else
            unload_user_table(user_name, table.c_str(), degree);
    }
    return rest;
}

} // namespace

void do_unload_user(LINE_ARRAY tokens, int count)
{
    int degree = 1;
    if (count == 5) {
        ub4 n = 0;
        if (!parse_decimal_ub4(tokens[4], &n) || n < 1 || n > MAX_PARALLEL_DEGREE) {
            sp_printf("parallel degree must be between 1 and %d\n", MAX_PARALLEL_DEGREE);
            return;
        }
        degree = (int)n;
    }
    char name[DICTNAME_LEN + 1];
    bool fits = copy_str(name, sizeof(name), tokens[2]);
    transform_schema_name(name);
    PDICT_USER user = fits ? search_dict_user(name) : nullptr;
    if (user == nullptr) {
        sp_printf("user '%s' doest not exist\n", name);
        return;
    }
    sp_printf("Unloading user %s's tables.\n", name);
    if (dict_obj_hash_table.bucket_list == nullptr)
        return;
    if (degree > 1) {
        do_unload_user_parallel(user->user_id, user->username, degree);
        return;
    }
    for (const std::string& table : user_tables(user->user_id))
        unload_user_table(user->username, table.c_str());
    sp_printf("unload user '%s' finished.\n", name);
}

void do_unload_user_parallel(ub4 user_id, const char* user_name, int degree)
{
    int queue = msgget(IPC_PRIVATE, IPC_CREAT | 0660);
    if (queue < 0) {
        sp_printf("message queue create error %d , error message: %s\n", errno, strerror(errno));
        return;
    }
    if (config_data.trace_level > 3)
        sp_printf("msg id: %d\n", queue);
    std::vector<std::string> tables = split_big_tables(user_id, user_name, degree);

    std::vector<pid_t> workers;
    for (int i = 0; i < degree; i++) {
        // Nothing buffered may be inherited, or a worker would print it again.
        fflush(stdout);
        if (fp_spool != nullptr)
            fflush(fp_spool);
        pid_t pid = fork();
        if (pid < 0) {
            sp_printf("can not fork process,error no:%d, error message:%s\n", errno, strerror(errno));
            break;
        }
        if (pid == 0) {
            // Whole lines on the shared terminal, never a line split between workers.
            setvbuf(stdout, nullptr, _IOLBF, 0);
            do_unload_user_slave(queue);
            fflush(stdout);
            // A table whose output could not be written shows in the status.
            _exit(take_output_failure() ? ZEM_EXIT_OUTPUT_FAILED : ZEM_EXIT_OK);
        }
        workers.push_back(pid);
    }
    if (workers.empty()) {
        msgctl(queue, IPC_RMID, nullptr);
        sp_printf("can not unload user  with parallel degree %d\n", degree);
        return;
    }

    WORK_MESSAGE message;
    for (const std::string& table : tables) {
        memset(&message, 0, sizeof(message));
        message.mtype = MSG_TABLE;
        snprintf(message.mtext, sizeof(message.mtext), "%s.%s", user_name, table.c_str());
        sp_printf("Sending table name for unloading, table name is %s\n", message.mtext);
        if (msgsnd(queue, &message, MSG_SEND_LEN, 0) != 0) {
            sp_printf("unload user send message error,error no:%d, error message:%s\n", errno, strerror(errno));
            break;
        }
    }
    for (size_t i = 0; i < workers.size(); i++) {
        memset(&message, 0, sizeof(message));
        message.mtype = MSG_STOP;
        msgsnd(queue, &message, MSG_SEND_LEN, 0);
    }
    for (pid_t pid : workers) {
        int status = 0;
        if (waitpid(pid, &status, 0) < 0)
            sp_printf("wait slave process %d error,error no:%d, error message:%s\n", (int)pid, errno, strerror(errno));
        else if (WIFSIGNALED(status))
            sp_printf("slave process %d terminated abnormal.\n", (int)pid);
        else if (WIFEXITED(status) && WEXITSTATUS(status) == ZEM_EXIT_OUTPUT_FAILED)
            note_output_failure();
    }
    copy_slave_logs_to_spool(workers);
    msgctl(queue, IPC_RMID, nullptr);
    sp_printf("unload user '%s' parallel finished.\n", user_name);
}

void do_unload_user_slave(int queue_id)
{
    start_slave_spool();
    reopen_diskgroup_disks();
    reopen_data_files();
    int pid = (int)getpid();
    WORK_MESSAGE message;
    for (;;) {
        memset(&message, 0, sizeof(message));
        if (msgrcv(queue_id, &message, MSG_SEND_LEN, 0, 0) < 0) {
            if (errno == EINTR)
                continue;
            sp_printf("unload user slave %d can not receive message,error no:%d, error message:%s\n", pid, errno,
                      strerror(errno));
            break;
        }
        if (message.mtype == MSG_STOP) {
            sp_printf("unload user slave %d exit normal\n", pid);
            break;
        }
        message.mtext[MSG_SEND_LEN - 1] = '\0';
        sp_printf("unload user slave %d received table name for unloading, table name is %s\n", pid, message.mtext);
        // "owner.table": the owner name never holds a dot.
        char* dot = strchr(message.mtext, '.');
        if (dot == nullptr)
            continue;
        *dot = '\0';
        unload_user_table(message.mtext, dot + 1);
    }
    close_spool_file();
}
