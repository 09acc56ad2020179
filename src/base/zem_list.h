#pragma once
// The one collection type: a doubly linked list that may own its records and
// free them through a release function.

#include "base/types.h"

typedef void (*RELEASE_ITEM_FUNC)(void* data);

typedef struct _tag_zem_list_item {
    void* data;
    struct _tag_zem_list_item* next;
    struct _tag_zem_list_item* prev;
} ZEM_LIST_ITEM, *PZEM_LIST_ITEM;

typedef struct _tag_zem_list {
    PZEM_LIST_ITEM header;
    PZEM_LIST_ITEM tail;
    RELEASE_ITEM_FUNC func;
    ub1 free_user_data;
} ZEM_LIST, *PZEM_LIST;

typedef int (*ZEM_COMPARE_FUNC)(const void* a, const void* b);

void init_zem_list(PZEM_LIST list, RELEASE_ITEM_FUNC func);
PZEM_LIST_ITEM add_zem_list_item(PZEM_LIST list, void* data);
PZEM_LIST_ITEM add_zem_list_item_header(PZEM_LIST list, void* data);
void remove_zem_list_item(PZEM_LIST list, PZEM_LIST_ITEM item);
void remove_zem_list_last_item(PZEM_LIST list);
void move_zem_list_item_to_header(PZEM_LIST list, PZEM_LIST_ITEM item);
void release_zem_list(PZEM_LIST list);
ub4 zem_list_item_cnt(const ZEM_LIST* list);
void sort_zem_list(PZEM_LIST list, ZEM_COMPARE_FUNC compare);
void combine_zem_list(PZEM_LIST destination, PZEM_LIST source);
