#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/zem_hash.h"
#include "base/zem_list.h"

namespace {

struct Rec {
    int key;
    int tag;
};

int released = 0;
void count_release(void*) { released++; }

Rec* new_rec(int key, int tag = 0)
{
    Rec* r = (Rec*)malloc(sizeof(Rec));
    r->key = key;
    r->tag = tag;
    return r;
}

std::vector<int> keys(const ZEM_LIST& list)
{
    std::vector<int> out;
    for (PZEM_LIST_ITEM i = list.header; i != nullptr; i = i->next)
        out.push_back(((Rec*)i->data)->key);
    return out;
}

// Walks the list backwards too, so a broken back link shows up.
std::vector<int> keys_backwards(const ZEM_LIST& list)
{
    std::vector<int> out;
    for (PZEM_LIST_ITEM i = list.tail; i != nullptr; i = i->prev)
        out.insert(out.begin(), ((Rec*)i->data)->key);
    return out;
}

ub4 rec_hash(const void* data) { return data ? (ub4)((const Rec*)data)->key : 0; }

} // namespace

TEST(ZemList, AddRemoveKeepsBothLinks)
{
    ZEM_LIST list;
    init_zem_list(&list, count_release);
    released = 0;
    PZEM_LIST_ITEM only = add_zem_list_item(&list, new_rec(1));
    remove_zem_list_item(&list, only);
    EXPECT_EQ(list.header, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(released, 1);

    PZEM_LIST_ITEM a = add_zem_list_item(&list, new_rec(2));
    add_zem_list_item(&list, new_rec(3));
    PZEM_LIST_ITEM c = add_zem_list_item(&list, new_rec(4));
    add_zem_list_item_header(&list, new_rec(1));
    EXPECT_EQ(keys(list), (std::vector<int>{1, 2, 3, 4}));
    remove_zem_list_item(&list, list.header);
    EXPECT_EQ(list.header, a);
    EXPECT_EQ(list.header->prev, nullptr);
    remove_zem_list_item(&list, a->next); // middle
    EXPECT_EQ(keys_backwards(list), (std::vector<int>{2, 4}));
    remove_zem_list_last_item(&list);
    EXPECT_EQ(list.tail, a);
    EXPECT_EQ(a->next, nullptr);
    (void)c;
    remove_zem_list_item(&list, nullptr); // nothing happens
    EXPECT_EQ(zem_list_item_cnt(&list), 1u);
    release_zem_list(&list);
    EXPECT_EQ(zem_list_item_cnt(&list), 0u);
    EXPECT_EQ(released, 5);
}

TEST(ZemList, MoveToHeaderSortAndCombine)
{
    ZEM_LIST list;
    init_zem_list(&list, nullptr);
    for (int k : {5, 3, 9, 1})
        add_zem_list_item(&list, new_rec(k));
    move_zem_list_item_to_header(&list, list.tail);
    EXPECT_EQ(keys(list), (std::vector<int>{1, 5, 3, 9}));
    move_zem_list_item_to_header(&list, list.header); // already there
    EXPECT_EQ(keys_backwards(list), (std::vector<int>{1, 5, 3, 9}));

    sort_zem_list(&list, [](const void* a, const void* b) { return ((const Rec*)a)->key - ((const Rec*)b)->key; });
    EXPECT_EQ(keys(list), (std::vector<int>{1, 3, 5, 9}));

    ZEM_LIST other;
    init_zem_list(&other, nullptr);
    add_zem_list_item(&other, new_rec(10));
    add_zem_list_item(&other, new_rec(11));
    combine_zem_list(&list, &other);
    EXPECT_EQ(other.header, nullptr);
    EXPECT_EQ(other.tail, nullptr);
    EXPECT_EQ(keys_backwards(list), (std::vector<int>{1, 3, 5, 9, 10, 11}));
    release_zem_list(&list);
}

TEST(ZemList, NonOwningListLeavesRecords)
{
    Rec r{7, 0};
    ZEM_LIST list;
    init_zem_list(&list, count_release);
    list.free_user_data = 0;
    released = 0;
    add_zem_list_item(&list, &r);
    release_zem_list(&list);
    EXPECT_EQ(released, 0);
    EXPECT_EQ(r.key, 7);
}

TEST(ZemHash, BucketsKeepDuplicatesInOrder)
{
    ZEM_HASH_TABLE table;
    init_zem_hash_table(&table, "T", 16, rec_hash);
    EXPECT_EQ(table.bucket_list, nullptr); // nothing allocated before the first insert
    EXPECT_EQ(search_zem_hash_item(&table, 3), nullptr);
    add_hash_item_data(&table, new_rec(3, 1), 1);
    add_hash_item_data(&table, new_rec(19, 2), 1); // same bucket: 19 % 16 == 3
    add_hash_item_data(&table, new_rec(3, 3), 1);
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&table, 3);
    ASSERT_NE(bucket, nullptr);
    EXPECT_EQ(bucket->hash_value, 3u);
    EXPECT_EQ(bucket->data_list_len, 3u);
    std::vector<int> tags;
    for (PZEM_LIST_ITEM i = bucket->data_list.header; i; i = i->next)
        tags.push_back(((Rec*)i->data)->tag);
    EXPECT_EQ(tags, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(search_zem_hash_item(&table, 4), nullptr);
    Rec probe{35, 0};
    EXPECT_EQ(get_hash_item_list_container(&table, &probe), &bucket->data_list);
    EXPECT_EQ(get_hash_item_list_container(&table, nullptr), nullptr);
    release_zem_hash_table(&table);
    EXPECT_EQ(table.bucket_list, nullptr);
    EXPECT_EQ(table.bucket_cnt, 16u); // reusable
    EXPECT_NE(add_hash_item_data(&table, new_rec(1), 1), nullptr);
    release_zem_hash_table(&table);

    ZEM_HASH_TABLE no_func;
    init_zem_hash_table(&no_func, "N", 16, nullptr);
    Rec r{1, 0};
    EXPECT_EQ(add_hash_item_data(&no_func, &r, 0), nullptr);
}

TEST(ZemHash, IndexOverOwnedTableDoesNotFreeRecords)
{
    ZEM_HASH_TABLE owner, index;
    init_zem_hash_table(&owner, "OWNER", 7, rec_hash);
    init_zem_hash_table(&index, "INDEX", 5, rec_hash);
    for (int k = 0; k < 20; k++)
        add_hash_item_data(&owner, new_rec(k, k * 10), 1);
    build_hash_table_from_hash_table(&index, &owner);
    ub4 total = 0;
    for (ub4 b = 0; b < index.bucket_cnt; b++)
        if (index.bucket_list[b])
            total += index.bucket_list[b]->data_list_len;
    EXPECT_EQ(total, 20u);
    release_zem_hash_table(&index); // must not free the owner's records
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&owner, 13);
    ASSERT_NE(bucket, nullptr);
    bool found = false;
    for (PZEM_LIST_ITEM i = bucket->data_list.header; i; i = i->next)
        found |= ((Rec*)i->data)->key == 13 && ((Rec*)i->data)->tag == 130;
    EXPECT_TRUE(found);
    release_zem_hash_table(&owner); // ASan reports a double free or leak here if ownership is wrong

    ZEM_LIST list;
    init_zem_list(&list, nullptr);
    for (int k = 0; k < 3; k++)
        add_zem_list_item(&list, new_rec(k));
    add_zem_list_item(&list, nullptr);
    build_hash_table_from_list(&index, &list);
    EXPECT_EQ(search_zem_hash_item(&index, 2)->data_list_len, 1u);
    release_zem_hash_table(&index);
    release_zem_list(&list);
}
