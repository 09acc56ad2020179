#include "storage/buffer_cache.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"

BLOCK_BUFFER_CACHE block_buffer_cache;

namespace {

ub4 cache_item_hash(const void* data)
{
    return data == nullptr ? 0 : ((const BUFFER_CACHE_ITEM*)data)->rdba;
}

void index_item(PBLOCK_BUFFER_CACHE cache, PBUFFER_CACHE_ITEM item)
{
    item->hash_bucket_list_item = add_hash_item_data(&cache->block_hash_table, item, 0);
}

void unindex_item(PBLOCK_BUFFER_CACHE cache, PBUFFER_CACHE_ITEM item)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&cache->block_hash_table, item->rdba);
    if (bucket == nullptr || item->hash_bucket_list_item == nullptr)
        return;
    remove_zem_list_item(&bucket->data_list, item->hash_bucket_list_item);
    bucket->data_list_len--;
    item->hash_bucket_list_item = nullptr;
}

} // namespace

void init_block_buffer_cache(PBLOCK_BUFFER_CACHE cache, ub4 block_size, ub4 block_count)
{
    memset(cache, 0, sizeof(*cache));
    cache->block_size = (ub2)block_size;
    cache->block_count = block_count;
    init_zem_list(&cache->block_list, nullptr);
    init_zem_hash_table(&cache->block_hash_table, "BUFFER_CACHE", BUFFER_CACHE_BUCKET_CNT, cache_item_hash);
    if (block_count == 0)
        return;
    size_t bytes = (size_t)block_size * block_count;
    cache->buffer = (ub1*)malloc(bytes);
    if (cache->buffer == nullptr)
        sp_printf("Can not allocate memory for block buffer cache,cache size is %u\n", (unsigned)bytes);
}

void release_block_buffer_cache(PBLOCK_BUFFER_CACHE cache)
{
    free(cache->buffer);
    cache->buffer = nullptr;
    cache->used_block_count = 0;
    release_zem_hash_table(&cache->block_hash_table);
    release_zem_list(&cache->block_list);
}

PBUFFER_CACHE_ITEM search_block_buffer_cache(PBLOCK_BUFFER_CACHE cache, ub4 ts_no, ub4 rdba, ub4 block_size)
{
    if (block_size != cache->block_size)
        return nullptr;
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&cache->block_hash_table, rdba);
    if (bucket == nullptr)
        return nullptr;
    for (PZEM_LIST_ITEM li = bucket->data_list.header; li != nullptr; li = li->next) {
        PBUFFER_CACHE_ITEM item = (PBUFFER_CACHE_ITEM)li->data;
        if (item->ts_no == ts_no && item->rdba == rdba)
            return item;
    }
    return nullptr;
}

void move_buffer_cache_mru(PBLOCK_BUFFER_CACHE cache, PBUFFER_CACHE_ITEM item)
{
    move_zem_list_item_to_header(&cache->block_list, item->lru_list_item);
}

void copy_block_to_buffer_cache(PBLOCK_BUFFER_CACHE cache, const ub1* block, ub4 ts_no, ub4 rdba, ub4 block_size)
{
    if (cache->buffer == nullptr || cache->block_count == 0 || block_size != cache->block_size)
        return;
    PBUFFER_CACHE_ITEM item;
    if (cache->used_block_count < cache->block_count) {
        item = (PBUFFER_CACHE_ITEM)calloc(1, sizeof(BUFFER_CACHE_ITEM));
        if (item == nullptr)
            return;
        item->buffer = cache->buffer + (size_t)cache->used_block_count * cache->block_size;
        cache->used_block_count++;
        item->lru_list_item = add_zem_list_item_header(&cache->block_list, item);
    } else {
        item = (PBUFFER_CACHE_ITEM)cache->block_list.tail->data;
        unindex_item(cache, item);
        move_zem_list_item_to_header(&cache->block_list, item->lru_list_item);
    }
    memcpy(item->buffer, block, block_size);
    item->ts_no = ts_no;
    item->rdba = rdba;
    index_item(cache, item);
}

void empty_block_buffer_cache(PBLOCK_BUFFER_CACHE cache)
{
    ub4 block_size = cache->block_size;
    ub4 block_count = cache->block_count;
    release_block_buffer_cache(cache);
    init_block_buffer_cache(cache, block_size, block_count);
}

void rebuild_block_buffer_cache_if_changed()
{
    if (config_data.block_buffers == block_buffer_cache.block_count &&
        (ub4)config_data.block_size == block_buffer_cache.block_size)
        return;
    release_block_buffer_cache(&block_buffer_cache);
    init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, config_data.block_buffers);
}
