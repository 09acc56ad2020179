#include "base/zem_list.h"

#include <cstdlib>

void init_zem_list(PZEM_LIST list, RELEASE_ITEM_FUNC func)
{
    list->header = nullptr;
    list->tail = nullptr;
    list->func = func;
    list->free_user_data = 1;
}

namespace {

PZEM_LIST_ITEM new_item(void* data)
{
    PZEM_LIST_ITEM item = (PZEM_LIST_ITEM)malloc(sizeof(ZEM_LIST_ITEM));
    if (item == nullptr)
        abort();
    item->data = data;
    item->next = nullptr;
    item->prev = nullptr;
    return item;
}

void unlink_item(PZEM_LIST list, PZEM_LIST_ITEM item)
{
    if (item->prev != nullptr)
        item->prev->next = item->next;
    else
        list->header = item->next;
    if (item->next != nullptr)
        item->next->prev = item->prev;
    else
        list->tail = item->prev;
    item->next = nullptr;
    item->prev = nullptr;
}

} // namespace

PZEM_LIST_ITEM add_zem_list_item(PZEM_LIST list, void* data)
{
    PZEM_LIST_ITEM item = new_item(data);
    item->prev = list->tail;
    if (list->tail != nullptr)
        list->tail->next = item;
    else
        list->header = item;
    list->tail = item;
    return item;
}

PZEM_LIST_ITEM add_zem_list_item_header(PZEM_LIST list, void* data)
{
    PZEM_LIST_ITEM item = new_item(data);
    item->next = list->header;
    if (list->header != nullptr)
        list->header->prev = item;
    else
        list->tail = item;
    list->header = item;
    return item;
}

void remove_zem_list_item(PZEM_LIST list, PZEM_LIST_ITEM item)
{
    if (item == nullptr)
        return;
    unlink_item(list, item);
    if (list->free_user_data && item->data != nullptr) {
        if (list->func != nullptr)
            list->func(item->data);
        free(item->data);
    }
    free(item);
}

void remove_zem_list_last_item(PZEM_LIST list)
{
    remove_zem_list_item(list, list->tail);
}

void move_zem_list_item_to_header(PZEM_LIST list, PZEM_LIST_ITEM item)
{
    if (item == nullptr || item == list->header)
        return;
    unlink_item(list, item);
    item->next = list->header;
    if (list->header != nullptr)
        list->header->prev = item;
    else
        list->tail = item;
    list->header = item;
}

void release_zem_list(PZEM_LIST list)
{
    while (list->header != nullptr)
        remove_zem_list_item(list, list->header);
}

ub4 zem_list_item_cnt(const ZEM_LIST* list)
{
    ub4 n = 0;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next)
        n++;
    return n;
}

// Exchange sort over the records; the items stay where they are.
void sort_zem_list(PZEM_LIST list, ZEM_COMPARE_FUNC compare)
{
    for (PZEM_LIST_ITEM i = list->header; i != nullptr; i = i->next)
        for (PZEM_LIST_ITEM j = i->next; j != nullptr; j = j->next)
            if (compare(i->data, j->data) > 0) {
                void* t = i->data;
                i->data = j->data;
                j->data = t;
            }
}

void combine_zem_list(PZEM_LIST destination, PZEM_LIST source)
{
    if (source->header == nullptr)
        return;
    source->header->prev = destination->tail;
    if (destination->tail != nullptr)
        destination->tail->next = source->header;
    else
        destination->header = source->header;
    destination->tail = source->tail;
    source->header = nullptr;
    source->tail = nullptr;
}
